// The contact model read from documents: which item fills which field, the fallbacks of
// the formatted name, the order and clean-up of e-mail addresses, categories, dates,
// identities and revisions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "contact/contact_from_document.h"
#include "contact/contact_uid.h"
#include "contact/item_kinds.h"

namespace brenmoor::contact {
namespace {

using notes::ItemValue;
using Items = std::vector<std::pair<std::string, ItemValue>>;

ItemValue text(std::string value) { return {ItemValue::Kind::Text, std::move(value), {}}; }
ItemValue list(std::vector<std::string> values) {
    ItemValue value{ItemValue::Kind::Text, values.front(), {}};
    value.more.assign(values.begin() + 1, values.end());
    return value;
}
std::string repeated(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}
ItemValue dateTime(std::string written) { return {ItemValue::Kind::DateTime, std::move(written), {}}; }

Contact read(Items items, notes::NoteInfo info = {}, std::int64_t position = 1) {
    return contactFromDocument(notes::ContactDocument(std::move(items), std::move(info)), position);
}

// Every catalogue item holding its own name, so a field filled from the wrong item shows.
Items everyItemNamed() {
    Items items;
    for (const auto& info : notes::kContactItems) items.emplace_back(std::string(info.notesName), text(std::string(info.notesName)));
    return items;
}

TEST(ContactModel, EveryFieldFromItsItem) {
    const Contact c = read(everyItemNamed());
    EXPECT_EQ(c.name.prefix, "Title");
    EXPECT_EQ(c.name.given, "FirstName");
    EXPECT_EQ(c.name.middle, "MiddleInitial");
    EXPECT_EQ(c.name.family, "LastName");
    EXPECT_EQ(c.name.suffix, "Suffix");
    EXPECT_EQ(c.formattedName, "FullName");
    EXPECT_EQ(c.nickname, "ShortName");
    EXPECT_EQ(c.organization, "CompanyName");
    EXPECT_EQ(c.unit, "Department");
    EXPECT_EQ(c.jobTitle, "JobTitle");
    EXPECT_EQ(c.office, "Location");
    EXPECT_EQ(c.webPages, (std::vector<WebPage>{{Place::Work, "WebSite"}}));
    // Texts that are no mail address are kept under their items' names; the catalogue's
    // bookkeeping items and keys are not.
    EXPECT_TRUE(c.emails.empty());
    EXPECT_EQ(c.otherFields, (std::vector<OtherField>{{"MailAddress", "MailAddress"}, {"MiscPhone1", "MiscPhone1"},
                                                      {"MiscPhone2", "MiscPhone2"}, {"MiscPhone3", "MiscPhone3"}}));

    const std::vector<std::pair<PhoneKind, std::string>> phones{
        {PhoneKind::WorkVoice, "OfficePhoneNumber"}, {PhoneKind::WorkFax, "OfficeFaxPhoneNumber"},
        {PhoneKind::WorkCell, "CellPhoneNumber"},    {PhoneKind::WorkPager, "PhoneNumber_6"},
        {PhoneKind::HomeVoice, "PhoneNumber"},       {PhoneKind::HomeFax, "HomeFaxPhoneNumber"},
        {PhoneKind::PersonalCell, "PersPager"},
    };
    ASSERT_EQ(c.phones.size(), phones.size());
    for (std::size_t i = 0; i < phones.size(); ++i) {
        EXPECT_EQ(c.phones[i].kind, phones[i].first) << i;
        EXPECT_EQ(c.phones[i].number, phones[i].second) << i;
    }

    ASSERT_TRUE(c.workAddress && c.homeAddress);
    EXPECT_EQ(c.workAddress->street, "OfficeStreetAddress");
    EXPECT_EQ(c.workAddress->city, "OfficeCity");
    EXPECT_EQ(c.workAddress->region, "OfficeState");
    EXPECT_EQ(c.workAddress->postalCode, "OfficeZip");
    EXPECT_EQ(c.workAddress->country, "OfficeCountry");
    EXPECT_EQ(c.homeAddress->street, "StreetAddress");
    EXPECT_EQ(c.homeAddress->city, "City");
    EXPECT_EQ(c.homeAddress->region, "State");
    EXPECT_EQ(c.homeAddress->postalCode, "Zip");
    EXPECT_EQ(c.homeAddress->country, "Country");

    // Names of items are no dates: both stay text.
    EXPECT_EQ(c.birthday.text, "Birthday");
    EXPECT_EQ(c.anniversary.text, "Anniversary");
    ASSERT_EQ(c.related.size(), 4u);
    EXPECT_EQ(c.related[0].relation, Relation::Spouse);
    EXPECT_EQ(c.related[0].name, "Spouse");
    EXPECT_EQ(c.related[1].relation, Relation::Child);
    EXPECT_EQ(c.related[1].name, "Children");
    EXPECT_EQ(c.related[2].relation, Relation::Manager);
    EXPECT_EQ(c.related[2].name, "Manager");
    EXPECT_EQ(c.related[3].relation, Relation::Assistant);
    EXPECT_EQ(c.related[3].name, "Assistant");
    EXPECT_EQ(noteText(c), "Briefcase\r\n\r\nComment");
    EXPECT_EQ(c.briefcase, "Briefcase");
    EXPECT_EQ(c.comment, "Comment");
    EXPECT_EQ(c.categories, std::vector<std::string>{"Categories"});
}

// Which file becomes the photo: an image of the item Photo (its picture, or a file its
// attachment reference shows), else an image named like a photo; every other image is an
// attachment. Notes ID files are neither, whatever they hold or show.
TEST(ContactModel, ThePhotoIsThePhotoItemsImageElseOneNamedLikeAPhoto) {
    // The first bytes of each kind, as the book's base64.
    const std::string jpeg = "/9j/4AAQ", png = "iVBORw0KGgo=", gif = "R0lGODlh", pdf = "JVBERi0x";
    struct File {
        std::string item, name, base64, shownIn = "", storedName = "";
    };
    struct Case {
        std::vector<File> files;
        std::string photo; // "" where none
        std::vector<std::string> attachments, idFiles;
    };
    const Case cases[] = {
        {{{"$FILE", "diagram.png", png}, {"$FILE", "ContactPhoto.jpg", jpeg}}, "ContactPhoto.jpg", {"diagram.png"}, {}},
        {{{"$FILE", "myphoto.gif", gif}, {"Photo", "Photo.png", png}}, "Photo.png", {"myphoto.gif"}, {}},
        // A price list shown in the Briefcase, the only image: an attachment.
        {{{"$FILE", "pricelist.png", png, "Briefcase"}}, "", {"pricelist.png"}, {}},
        {{{"$FILE", "logo.gif", gif}, {"$FILE", "team.JPG", jpeg}}, "", {"logo.gif", "team.JPG"}, {}},
        {{{"$FILE", "photo2.jpg", jpeg}, {"$FILE", "IMG_0042.jpg", jpeg, "Photo"}}, "IMG_0042.jpg", {"photo2.jpg"}, {}},
        {{{"Photo", "Photo.gif", gif}, {"Photo", "Photo.jpg", jpeg}}, "Photo.gif", {"Photo.jpg"}, {}},
        {{{"$FILE", "photo.pdf", pdf}, {"$FILE", "PHOTO-old.png", png}}, "PHOTO-old.png", {"photo.pdf"}, {}},
        {{{"$FILE", "portrait.pdf", pdf, "Photo"}}, "", {"portrait.pdf"}, {}},
        {{{"$FILE", "user.id", pdf},
          {"$FILE", "SERVER.ID", jpeg, "Photo"},
          {"$FILE", "photo.Id", jpeg},
          {"$FILE", "contract.pdf", pdf, "Comment", "jdoe.id"},
          {"$FILE", "idea.png", png},
          {"$FILE", "id", pdf}},
         "",
         {"idea.png", "id"},
         {"user.id", "SERVER.ID", "photo.Id", "contract.pdf"}},
    };
    for (const Case& c : cases) {
        std::vector<notes::AttachedFile> files;
        for (const File& f : c.files) {
            notes::AttachedFile& file = files.emplace_back();
            file.name = f.name;
            file.item = f.item;
            file.shownIn = f.shownIn;
            file.storedName = f.storedName;
            file.base64 = std::make_shared<const std::string>(f.base64);
        }
        const std::string trace = c.files.front().name + "...";
        const Contact contact = contactFromDocument(notes::ContactDocument({}, {}, files), 1);
        EXPECT_EQ(contact.photo ? contact.photo->name() : "", c.photo) << trace;
        std::vector<std::string> attachments;
        for (const Attachment& file : contact.attachments) attachments.push_back(file.name());
        EXPECT_EQ(attachments, c.attachments) << trace;
        EXPECT_EQ(contact.idFiles, c.idFiles) << trace;
    }
}

TEST(ContactModel, AContactWithoutItemsIsEmptyButHasAnIdentity) {
    const Contact c = read({}, {}, 7);
    EXPECT_EQ(c.formattedName, "Contact 7");
    EXPECT_TRUE(c.formattedNameMadeUp);
    EXPECT_TRUE(c.emails.empty() && c.phones.empty() && c.related.empty() && c.categories.empty());
    EXPECT_FALSE(c.workAddress || c.homeAddress || c.revision);
    EXPECT_TRUE(c.birthday.empty() && c.anniversary.empty());
    EXPECT_EQ(c.uid.size(), 36u);
}

TEST(ContactModel, FormattedNameFallsBackToFullNameCompanyEmailThenPhone) {
    struct Case {
        Items items;
        std::string name;
    } cases[] = {
        {{{"FirstName", text("Ann")}, {"LastName", text("Lee")}}, "Ann Lee"},
        {{{"MiddleInitial", text("J")}}, "J"},
        {{{"LastName", text("Admin")}, {"FullName", text("CN=Notes Admin/O=Acme")}}, "Notes Admin"},
        {{{"FullName", text("CN=Ann Lee/O=Acme")}}, "Ann Lee"},
        {{{"FullName", text("Ann Lee/Acme")}}, "Ann Lee"},
        {{{"FullName", text("cn=Bo Ek/ou=Sales/o=Acme/c=SE")}}, "Bo Ek"},
        {{{"FullName", text("<b>Tom</b> & 'Jerry'")}}, "<b>Tom</b> & 'Jerry'"},
        {{{"FullName", list({"Priya Raman/Coastline", "Priya Raman"})}}, "Priya Raman"},
        {{{"FullName", text("Okafor")}, {"CompanyName", text("Acme")}}, "Okafor"},
        {{{"CompanyName", text("Acme Ltd.")}, {"MailAddress", text("a@example.com")}}, "Acme Ltd."},
        {{{"MiscPhone2", text("only@example.com")}}, "only@example.com"},
        {{{"MailAddress", text("Jo Bo/Acme@ACME")}, {"HomeEmail", text("\"Jo\" <jo@example.org>")}}, "jo@example.org"},
        {{{"PersPager", list({"+1 555 0101", "+1 555 0102"})}, {"PhoneNumber", text("+1 555 0100")}}, "+1 555 0100"},
        {{{"Title", text("Dr.")}, {"Suffix", text("Jr.")}}, "Contact 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Contact contact = read(c.items, {}, 3);
        EXPECT_EQ(contact.formattedName, c.name);
        EXPECT_EQ(contact.formattedNameMadeUp, c.name.starts_with("Contact ") || c.name.starts_with("+1"));
    }
}

// The names the PST store lists a contact under: the store's full name first, and the
// file-as text with the rule it follows.
TEST(ContactModel, StoreNamesFollowTheStoresRules) {
    using FileAs = StoreNames::FileAs;
    struct Case {
        Items items;
        std::string display, fileAs;
        FileAs rule;
    } cases[] = {
        {{{"FirstName", text("Ann")}, {"MiddleInitial", text("J")}, {"LastName", text("Lee")},
          {"FullName", list({"Dr. Ann Lee/Acme", "Ann Lee"})}},
         "Dr. Ann Lee", "Lee, Ann J", FileAs::FamilyGivenMiddle},
        {{{"FirstName", text("Ann")}, {"MiddleInitial", text("J")}, {"LastName", text("Lee")}},
         "Ann J Lee", "Lee, Ann J", FileAs::FamilyGivenMiddle},
        {{{"LastName", text("Lee")}, {"CompanyName", text("Acme")}}, "Lee", "Lee", FileAs::FamilyGivenMiddle},
        {{{"FirstName", text("Ann")}}, "Ann", "Ann", FileAs::FamilyGivenMiddle},
        {{{"MiddleInitial", text("J")}}, "J", "J", FileAs::FamilyGivenMiddle},
        {{{"CompanyName", text("Acme")}, {"MailAddress", text("a@example.com")}}, "Acme", "Acme", FileAs::Organization},
        {{{"FullName", text("Dr. No")}}, "Dr. No", "Dr. No", FileAs::DisplayName},
        {{{"MailAddress", text("a@example.com")}}, "", "", FileAs::Nothing},
        // A name part of absurd length: the names made of it end before the character
        // that would pass 32 KiB.
        {{{"FirstName", text("Anna")}, {"MiddleInitial", text(repeated("\u00e9", 20000))}},
         "Anna " + repeated("\u00e9", 16381), "Anna " + repeated("\u00e9", 16381), FileAs::FamilyGivenMiddle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.display);
        const StoreNames names = storeNames(read(c.items));
        EXPECT_EQ(names.displayName, c.display);
        EXPECT_EQ(names.fileAs, c.fileAs);
        EXPECT_EQ(names.rule, c.rule);
    }
}

// The store takes the first value of its items, the full name's common name.
TEST(ContactModel, StoreFieldsFromTheFirstValues) {
    const Contact c = read({{"FullName", list({"Priya Raman/Coastline", "Priya Raman"})},
                            {"NameDisplayPref", text("1")},
                            {"MailDomain", text("COASTLINE")},
                            {"Categories", list({" Suppliers; India ,", "Tea"})}});
    EXPECT_EQ(c.store.fullName, "Priya Raman");
    EXPECT_EQ(c.store.emailDisplayName, "1");
    EXPECT_EQ(c.store.personalHomePage, "COASTLINE");
    EXPECT_EQ(c.categories, (std::vector<std::string>{" Suppliers; India ,", "Tea"}));
}

TEST(ContactModel, EmailsInOrderWithoutBlanksOrRepeats) {
    const Contact c = read({
        {"MiscPhone3", text("third@example.com")},
        {"MailAddress", list({" first@example.com ", "FIRST@example.com", ""})},
        {"MiscPhone1", text("   ")},
        {"MiscPhone2", text("Third@Example.com")},
    });
    // MailAddress first whatever the document's order; repeats compared without case.
    EXPECT_EQ(c.emails, (std::vector<Email>{{Place::Work, "first@example.com", ""},
                                            {Place::Other, "Third@Example.com", ""}}));
}

// Item names without regard to case, as Notes reads them.
TEST(ContactModel, EmailsTypedInternetAddressFirstNotesAddressesApart) {
    const Contact c = read({
        {"mobileEmail", text("kim@mobile.example")},
        {"HOMEEMAIL", text("\"Kim Lee\" <kim.lee@example.com>")},
        {"MailAddress", text("CN=Kim Lee/OU=Sales/O=Acme@ACME")},
        {"work1email", text("Kim Lee <KIM.LEE@example.com>")},
        {"Work0Email", text("kim@work.example")},
        {"InternetAddress", text("kim@acme.example")},
        {"SchoolEmail", text("not an address")},
    });
    EXPECT_EQ(c.emails, (std::vector<Email>{{Place::Work, "kim@acme.example", ""},
                                            {Place::Work, "kim@work.example", ""},
                                            {Place::Work, "KIM.LEE@example.com", "Kim Lee"},
                                            {Place::Other, "kim@mobile.example", ""}}));
    EXPECT_EQ(c.notesMailAddress, "Kim Lee/Sales/Acme@ACME");
    EXPECT_EQ(c.otherFields, (std::vector<OtherField>{{"SchoolEmail", "not an address"}}));
    EXPECT_EQ(read({{"MailAddress", text("Kim Lee/Acme")}}).notesMailAddress, "Kim Lee/Acme");
}

TEST(ContactModel, FurtherPhonesWebPagesAndPersonalItems) {
    const Contact c = read({
        {"CarPhone", text("car")},          {"Work2Phone", text("work 2")},    {"OfficePhoneNumber", text("work 1")},
        {"OtherFaxPhone", text("ofax")},    {"AssistantPhone", text("asst")}, {"Home3Phone", text("home 3")},
        {"primaryPhoneNumber", text("CarPhone")},
        {"HomeURL", text("https://home.example")}, {"OtherURL", text("https://other.example")},
        {"WebSite", text("https://work.example")}, {"SametimeLogin", text("CN=Kim Lee/O=Acme")},
        {"Confidential", text("1")}, {"AltFullName", text("李金")}, {"AltFullNameLanguage", text("zh")},
        {"Manager", text("CN=Bo Ek/OU=Sales/O=Acme")}, {"Hobby", list({"Chess", "CN=Go Club/O=Acme"})},
        {"Form", text("Person")}, {"$Revisions", text("x")}, {"HTTPPassword", text("(hash)")},
    });
    const std::vector<Phone> phones{{PhoneKind::WorkVoice, "work 1", false}, {PhoneKind::WorkVoice, "work 2", false},
                                    {PhoneKind::HomeVoice, "home 3", false}, {PhoneKind::Assistant, "asst", false},
                                    {PhoneKind::Car, "car", true},           {PhoneKind::OtherFax, "ofax", false}};
    EXPECT_EQ(c.phones, phones);
    EXPECT_EQ(c.webPages, (std::vector<WebPage>{{Place::Work, "https://work.example"},
                                                {Place::Home, "https://home.example"},
                                                {Place::Other, "https://other.example"}}));
    EXPECT_EQ(c.imAddresses, std::vector<std::string>{"Kim Lee/Acme"});
    EXPECT_TRUE(c.isPrivate);
    EXPECT_EQ(c.alternateName, "李金");
    EXPECT_EQ(c.alternateNameLanguage, "zh");
    ASSERT_EQ(c.related.size(), 1u);
    EXPECT_EQ(c.related[0].name, "Bo Ek");
    // Bookkeeping and secrets are no user items.
    EXPECT_EQ(c.otherFields, (std::vector<OtherField>{{"Hobby", "Chess, Go Club/Acme"}}));
    EXPECT_FALSE(read({{"Confidential", text("0")}}).isPrivate);
    EXPECT_TRUE(read({{"primaryPhoneNumber", text("+1 555")}, {"PhoneNumber", text("+1 555")}}).phones[0].preferred);
}

TEST(ContactModel, CategoriesEveryValueAndALoneTextSplit) {
    struct Case {
        ItemValue value;
        std::vector<std::string> categories;
    } cases[] = {
        {list({"Work", "Friends, close", "Golf"}), {"Work", "Friends, close", "Golf"}},
        {text("Work, Family; Golf ;  ; Chess"), {"Work", "Family", "Golf", "Chess"}},
        {text("Single"), {"Single"}},
        {text(" , ;"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.text);
        EXPECT_EQ(read({{"Categories", c.value}}).categories, c.categories);
    }
}

TEST(ContactModel, BirthdayAndAnniversaryAreDatesWhereTheyReadAsDates) {
    const Contact dated = read({{"Birthday", dateTime("19780314")}, {"Anniversary", text("1996-06-21")}});
    ASSERT_TRUE(dated.birthday.date && dated.anniversary.date);
    EXPECT_EQ(*dated.birthday.date, (CalendarDate{1978, 3, 14}));
    EXPECT_EQ(*dated.anniversary.date, (CalendarDate{1996, 6, 21}));
    EXPECT_TRUE(dated.birthday.text.empty());
    const Contact dotted = read({{"Birthday", text("14.03.1978")}, {"Anniversary", text("31.02.1996")}});
    EXPECT_EQ(dotted.birthday.date, (CalendarDate{1978, 3, 14}));
    EXPECT_EQ(dotted.anniversary.text, "31.02.1996");

    const Contact undated = read({{"Birthday", text("sometime in May")}, {"Anniversary", text("  ")}});
    EXPECT_FALSE(undated.birthday.date);
    EXPECT_EQ(undated.birthday.text, "sometime in May");
    EXPECT_TRUE(undated.anniversary.empty());
}

TEST(ContactModel, MultiValuedItemsGiveEveryValue) {
    const Contact c = read({
        {"OfficePhoneNumber", list({"1", "", "2"})},
        {"Children", list({"Kid One", "Kid, Two"})},
        {"StreetAddress", list({"Line one", "Line two"})},
        {"Comment", list({"first", "second"})},
        {"Briefcase", text(" \r\n")},
        {"JobTitle", list({"Chair", "Treasurer"})},
    });
    ASSERT_EQ(c.phones.size(), 2u);
    EXPECT_EQ(c.phones[1].number, "2");
    ASSERT_EQ(c.related.size(), 2u);
    EXPECT_EQ(c.related[1].name, "Kid, Two");
    ASSERT_TRUE(c.homeAddress);
    EXPECT_EQ(c.homeAddress->street, "Line one\r\nLine two");
    EXPECT_FALSE(c.workAddress);
    EXPECT_EQ(noteText(c), "first\r\nsecond"); // a blank briefcase adds nothing
    EXPECT_EQ(c.jobTitle, "Chair, Treasurer");
}

TEST(ContactModel, AnAddressExistsWhereAnyPartIsFilled) {
    EXPECT_FALSE(read({{"OfficeStreetAddress", text("")}, {"Location", text("Tower 2")}}).workAddress);
    const Contact c = read({{"Country", text("Norway")}});
    ASSERT_TRUE(c.homeAddress);
    EXPECT_EQ(c.homeAddress->country, "Norway");
    EXPECT_EQ(noteText(read({{"Briefcase", text("case")}})), "case");
}

TEST(ContactModel, ReadingIntoAUsedContactLeavesNothingOfTheLastOne) {
    const Items full = everyItemNamed();
    const Items dated{{"Birthday", dateTime("19780314")}, {"Categories", text("a; b")}, {"OfficeCity", text("X")}};
    const Items lists{{"Comment", list({"c1", "", "c3"})}, {"Briefcase", list({"b1\x01", "b2"})}};
    const Items names{{"FirstName", list({" ", ""})}, {"LastName", list({"Lee\x01", "Ek"})},
                      {"MiddleInitial", text(" \t")}, {"CompanyName", list({"", "Acme"})}};
    const std::vector<Items> documents{full, dated, lists, {}, {{"Location", text("Tower 2")}, {"Country", text("N")}},
                                       names, lists, full};
    Contact reused;
    for (const Items& items : documents) {
        // Handed over, as the exports read documents: the same contact as from a kept one.
        readContact(notes::ContactDocument(items, {"", "20140301T101530,12-04"}), reused, 1);
        EXPECT_EQ(reused, read(items, {"", "20140301T101530,12-04"}));
    }
}

TEST(ContactUid, FromTheUniversalIdElseFromTheItemValues) {
    EXPECT_EQ(uuidFromUnid("CFCD208495D565EF66E7DFF9F98764DA"), "cfcd2084-95d5-65ef-66e7-dff9f98764da");
    for (const char* bad : {"", "CFCD208495D565EF66E7DFF9F98764D", "CFCD208495D565EF66E7DFF9F98764DG",
                            "CFCD2084-95D5-65EF-66E7-DFF9F98764DA"})
        EXPECT_EQ(uuidFromUnid(bad), "") << bad;

    const Items items{{"FirstName", text("Ann")}, {"LastName", text("Lee")}};
    EXPECT_EQ(read(items, {"C4CA4238A0B923820DCC509A6F75849B", ""}).uid, "c4ca4238-a0b9-2382-0dcc-509a6f75849b");

    // Without one: the version 5 UUID of the values and the position, the same for good
    // (a changed namespace or encoding would give every such contact a new identity on
    // import); another position gives another.
    const std::string uid = read(items).uid;
    EXPECT_EQ(uid, "ed42458d-387f-519d-a17a-3012cec31e70");
    // A value longer than the hash takes at once (pinned by Python's uuid.uuid5).
    Items longer = items;
    longer.emplace_back("Comment", text(std::string(5000, 'x')));
    EXPECT_EQ(read(longer).uid, "0664b95f-e753-561b-bb98-65fe2e74435e");
    EXPECT_NE(read(items, {}, 2).uid, uid);
    EXPECT_EQ(read(items, {"not-a-unid", ""}).uid, uid);
    EXPECT_NE(read({{"FirstName", text("Ann")}, {"LastName", text("Lea")}}).uid, uid);
    // Items outside the catalogue do not count.
    Items more = items;
    more.emplace_back("$Revisions", text("x"));
    EXPECT_EQ(read(more).uid, uid);
}

// Within a file a UID given before gives way to one of the universal ID and the
// position: distinct, and the same in every run.
TEST(ContactUid, EveryUidOfAFileIsDistinct) {
    const notes::ContactDocument replica({{"LastName", text("Lee")}}, {"C4CA4238A0B923820DCC509A6F75849B", ""});
    const notes::ContactDocument twin({{"LastName", text("Lee")}});
    std::vector<std::string> runs[2];
    for (auto& uids : runs) {
        DistinctUids distinct;
        const notes::ContactDocument* documents[] = {&replica, &twin, &replica, &twin, &replica};
        for (std::int64_t position = 1; position <= 5; ++position)
            uids.push_back(distinct.distinct(contactUid(*documents[position - 1], position), *documents[position - 1],
                                             position));
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(runs[0][0], "c4ca4238-a0b9-2382-0dcc-509a6f75849b");
    EXPECT_EQ(runs[0][2], "fea5942f-44fd-5879-bd36-8ecbf8744c48"); // "repeated", the unid, the position
    std::vector<std::string> sorted = runs[0];
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

TEST(ContactRevision, TheLastChangeInUtcWhereTheZoneIsKnown) {
    struct Case {
        const char* modified;
        bool present;
        Timestamp stamp;
    } cases[] = {
        {"20140301T101530,12-04", true, {2014, 3, 1, 14, 15, 30, true}},
        {"20200630T235959,00+0530", true, {2020, 6, 30, 18, 29, 59, true}},
        {"20141231T230000,00-02", true, {2015, 1, 1, 1, 0, 0, true}},
        {"20100101T000000,00Z", true, {2010, 1, 1, 0, 0, 0, true}},
        {"20140301T101530", true, {2014, 3, 1, 10, 15, 30, false}},
        {"20140301", true, {2014, 3, 1, 0, 0, 0, false}},
        {"99991231T230000,00-05", false, {}},
        {"00010101T010000,00+05", false, {}},
        {"99991231T230000,00+05", true, {9999, 12, 31, 18, 0, 0, true}},
        {"T101530,00+01", false, {}},
        {"garbage", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modified);
        const Contact contact = read({}, {"", c.modified});
        ASSERT_EQ(contact.revision.has_value(), c.present);
        if (!c.present) continue;
        const Timestamp& r = *contact.revision;
        EXPECT_EQ(std::vector<int>({r.year, r.month, r.day, r.hour, r.minute, r.second}),
                  std::vector<int>({c.stamp.year, c.stamp.month, c.stamp.day, c.stamp.hour, c.stamp.minute,
                                    c.stamp.second}));
        EXPECT_EQ(r.utc, c.stamp.utc);
    }
    // A moment the formats cannot write (year 10000 in UTC) stays as the book wrote it;
    // what is no moment at all is not kept.
    EXPECT_EQ(read({}, {"", "99991231T230000,00-05"}).revisionText, "99991231T230000,00-05");
    EXPECT_EQ(read({}, {"", "garbage"}).revisionText, "");
    EXPECT_EQ(read({}, {"", "20140301"}).revisionText, "");
}

TEST(ContactModel, ControlCharactersAreLeftOutAndLineSeparatorsBreakLines) {
    const Contact c = read({{"Comment", text("a\x7f b\xc2\x85 c\xc2\x9f\td\xe2\x80\xa8" "e\xe2\x80\xa9" "f\x01\r\ng \xc2\xa0")},
                            {"LastName", text("Lee\x1b")},
                            {"Categories", list({"x\x02", "y"})}});
    EXPECT_EQ(noteText(c), "a b c\td\r\ne\r\nf\r\ng \xc2\xa0");
    EXPECT_EQ(c.name.family, "Lee");
    EXPECT_EQ(c.formattedName, "Lee");
    EXPECT_EQ(c.categories, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(c.leftOutCharacters, 6);
}

} // namespace
} // namespace brenmoor::contact

namespace brenmoor::contact {
namespace {

// What Notes keeps for itself and what must never leave the book, without regard to case.
TEST(ItemKinds, BookkeepingAndSecretsAreNoUserData) {
    for (std::string_view name : {"$UpdatedBy", "$Conflict", "form", "Type", "PhoneFldsDisplayed", "MAILFILE"})
        EXPECT_TRUE(isBookkeepingItem(name) && !isUserItem(name)) << name;
    for (std::string_view name : {"HTTPPassword", "$SecurePassword", "PasswordDigest", "Certificate",
                                  "UserCertificate", "publickey", "PrivateKey"})
        EXPECT_TRUE(isSecretItem(name) && !isUserItem(name)) << name;
    for (std::string_view name : {"InternetAddress", "HomeEmail", "Formal", "Types", "Comment", "", "Key"})
        EXPECT_TRUE(isUserItem(name)) << name;
}

} // namespace
} // namespace brenmoor::contact
