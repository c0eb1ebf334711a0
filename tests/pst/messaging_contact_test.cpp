// Contact items laid out as properties, and the name-to-ID map that names their
// named properties.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <ctime>
#include <map>

#include "pst/messaging/contact_item.h"
#include "pst/messaging/entry_id.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/store_error.h"
#include "pst/util/crc.h"
#include "pst_checker.h"
#include "pst_format.h"

namespace {

using namespace brenmoor::pst::messaging;
using brenmoor::CalendarDate;
using brenmoor::pst::computeCrc;
using brenmoor::pst::ltp::Bytes;
using brenmoor::pst::ltp::PropTag;
using brenmoor::pst::ltp::PropValue;

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}
std::string asString(const Bytes& b) { return std::string(b.begin(), b.end()); }
std::string text16(const std::string& utf8) { return asString(PropValue::unicode(utf8).data); }
using brenmoor::pstcheck::le32;
using brenmoor::pstcheck::le64;

// An item's properties by property ID, its named properties looked up by LID.
struct Laid {
    NamedPropertyMap names;
    std::map<std::uint16_t, PropValue> byId;

    explicit Laid(const ContactItem& item) {
        for (auto& [tag, value] : item.properties(names)) byId[brenmoor::pst::ltp::tagId(tag)] = value;
    }
    const PropValue* id(std::uint16_t id) const {
        auto it = byId.find(id);
        return it == byId.end() ? nullptr : &it->second;
    }
    const PropValue* lid(std::uint32_t lid) {
        const std::size_t before = names.size();
        const std::uint16_t id = names.idOf(PropertyName{kPsetidAddress, lid});
        if (names.size() != before) return nullptr; // never named, so never set
        return this->id(id);
    }
};

class ContactItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto dir = std::filesystem::temp_directory_path();
        path_ = (dir / ("brenmoor-contact-" + std::to_string(::getpid()) + ".pst")).string();
        std::filesystem::remove(path_);
        store_ = MessageStore::create(path_, "S");
        folder_ = &store_->rootFolder().addSubfolder("Contacts");
    }
    void TearDown() override {
        store_.reset();
        std::filesystem::remove(path_);
    }
    ContactItem newItem() { return folder_->Items().Add("IPM.Contact"); }

    std::string path_;
    std::unique_ptr<MessageStore> store_;
    Folder* folder_ = nullptr;
};

TEST_F(ContactItemTest, FieldsGoToTheirContactProperties) {
    const std::pair<ContactField, std::uint16_t> canonical[] = {
        {ContactField::GivenName, 0x3A06},      {ContactField::MiddleName, 0x3A44},
        {ContactField::Surname, 0x3A11},        {ContactField::DisplayNamePrefix, 0x3A45},
        {ContactField::Generation, 0x3A05},     {ContactField::CompanyName, 0x3A16},
        {ContactField::JobTitle, 0x3A17},       {ContactField::Department, 0x3A18},
        {ContactField::OfficeLocation, 0x3A19}, {ContactField::ManagerName, 0x3A4E},
        {ContactField::Assistant, 0x3A30},      {ContactField::BusinessPhone, 0x3A08},
        {ContactField::BusinessFax, 0x3A24},    {ContactField::MobilePhone, 0x3A1C},
        {ContactField::Pager, 0x3A21},          {ContactField::BusinessHomePage, 0x3A51},
        {ContactField::HomeAddressStreet, 0x3A5D}, {ContactField::HomeAddressCity, 0x3A59},
        {ContactField::HomeAddressState, 0x3A5C},  {ContactField::HomeAddressPostalCode, 0x3A5B},
        {ContactField::HomeAddressCountry, 0x3A5A}, {ContactField::HomePhone, 0x3A09},
        {ContactField::HomeFax, 0x3A25},        {ContactField::Spouse, 0x3A48},
        {ContactField::DisplayName, 0x3001},       {ContactField::Nickname, 0x3A4F},
        {ContactField::PersonalHomePage, 0x3A50},
    };
    const std::pair<ContactField, std::uint32_t> named[] = {
        {ContactField::WorkAddressStreet, 0x8045}, {ContactField::WorkAddressCity, 0x8046},
        {ContactField::WorkAddressState, 0x8047},  {ContactField::WorkAddressPostalCode, 0x8048},
        {ContactField::WorkAddressCountry, 0x8049}, {ContactField::WorkAddress, 0x801B},
    };
    ContactItem item = newItem();
    int n = 0;
    for (auto [field, id] : canonical) item.setText(field, "v" + std::to_string(n++));
    for (auto [field, lid] : named) item.setText(field, "v" + std::to_string(n++));
    item.setText(ContactField::Children, "Tom");

    Laid laid(item);
    n = 0;
    for (auto [field, id] : canonical) {
        const PropValue* v = laid.id(id);
        ASSERT_NE(v, nullptr) << std::hex << id;
        EXPECT_EQ(asString(v->data), utf16("v" + std::to_string(n++))) << std::hex << id;
    }
    for (auto [field, lid] : named) {
        const PropValue* v = laid.lid(lid);
        ASSERT_NE(v, nullptr) << std::hex << lid;
        EXPECT_EQ(asString(v->data), utf16("v" + std::to_string(n++))) << std::hex << lid;
    }
    // Children is multi-valued: one value. The business address is also the mailing address.
    ASSERT_NE(laid.id(0x3A58), nullptr);
    EXPECT_EQ(laid.id(0x3A58)->type, brenmoor::pst::ltp::PT_MV_UNICODE);
    EXPECT_EQ(le32(laid.id(0x3A58)->data), 1u);
    EXPECT_EQ(le32(laid.lid(0x8022)->data), 2u);
    EXPECT_EQ(asString(laid.id(0x3A27)->data), asString(laid.lid(0x8046)->data));
    // Outlook's form shows the business web page from PidLidHtml.
    ASSERT_NE(laid.lid(0x802B), nullptr);
    EXPECT_EQ(asString(laid.lid(0x802B)->data), asString(laid.id(0x3A51)->data));

    // Line breaks as Outlook writes them: CR LF, whatever the book held.
    ContactItem lines = newItem();
    lines.setText(ContactField::HomeAddressStreet, "1 Main St\nFlat 2\rBack\r\nDoor");
    EXPECT_EQ(asString(Laid(lines).id(0x3A5D)->data), utf16("1 Main St\r\nFlat 2\r\nBack\r\nDoor"));
}

TEST_F(ContactItemTest, EmptyLaterValueKeepsTheEarlierOneAndEmailSlotsCarryTypeAndNames) {
    ContactItem item = newItem();
    item.setText(ContactField::Email1Address, "first@example.org");
    item.setText(ContactField::Email1Address, "");
    item.setText(ContactField::Pager, "");
    item.setText(ContactField::Email3Address, "third@example.org");
    item.setText(ContactField::Email1DisplayName, "First Person");

    Laid laid(item);
    EXPECT_EQ(asString(laid.lid(0x8083)->data), utf16("first@example.org"));
    EXPECT_EQ(asString(laid.lid(0x8082)->data), utf16("SMTP"));
    EXPECT_EQ(asString(laid.lid(0x8080)->data), utf16("First Person"));
    EXPECT_EQ(asString(laid.lid(0x8084)->data), utf16("first@example.org"));
    EXPECT_EQ(laid.lid(0x8093), nullptr); // slot 2 empty
    EXPECT_EQ(asString(laid.lid(0x80A3)->data), utf16("third@example.org"));
    EXPECT_EQ(asString(laid.lid(0x80A0)->data), utf16("third@example.org"));
    EXPECT_EQ(laid.id(0x3A21), nullptr); // an empty pager writes nothing
    // Slots 1 and 3 are in use.
    EXPECT_EQ(le32(laid.lid(0x8029)->data), 5u);
    EXPECT_EQ(laid.lid(0x8028)->data, (Bytes{0, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(laid.lid(0x8085)->data, oneOffEntryId("First Person", "SMTP", "first@example.org"));
}

TEST(OneOffEntryId, LaidOutAsOutlookKeepsIt) {
    EXPECT_EQ(oneOffEntryId("A", "SMTP", "a@b"),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E,
                     0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0x00, 0x00, 0x01, 0x80, 'A',  0x00, 0x00, 0x00,
                     'S',  0x00, 'M',  0x00, 'T',  0x00, 'P',  0x00, 0x00, 0x00, 'a',  0x00, '@',  0x00,
                     'b',  0x00, 0x00, 0x00}));
}

TEST_F(ContactItemTest, NamesSubjectFileAsAndInitialsFollowOutlook) {
    // The file-as text goes with the ID of its rule: 0x8017 "Last, First Middle", the
    // company (0x3A16) or the display name (0x3001); a contact with nothing to go by is
    // filed as "Untitled" (0xFFFFFFFF: a text of its own). Initials from the name parts.
    struct Case {
        std::string first, middle, last, display, fileAs;
        FileUnder rule;
        std::string storedFileAs;
        std::uint32_t fileAsId;
        std::string initials;
    };
    const Case cases[] = {
        {"Ann", "J", "Lee", "Dr. Ann Lee", "Lee, Ann J", FileUnder::LastFirstMiddle, "Lee, Ann J", 0x8017, "A.J.L."},
        {"\xC3\x85sa", "", "\xC3\x98st", "\xC3\x85sa \xC3\x98st", "\xC3\x98st, \xC3\x85sa",
         FileUnder::LastFirstMiddle, "\xC3\x98st, \xC3\x85sa", 0x8017, "\xC3\x85.\xC3\x98."},
        {"", "", "", "Acme", "Acme", FileUnder::Company, "Acme", 0x3A16, ""},
        {"", "", "", "Dr. No", "Dr. No", FileUnder::DisplayName, "Dr. No", 0x3001, ""},
        {"", "", "", "", "", FileUnder::LastFirstMiddle, "Untitled", 0xFFFFFFFF, ""},
    };
    for (const Case& c : cases) {
        ContactItem item = newItem();
        item.setText(ContactField::GivenName, c.first);
        item.setText(ContactField::MiddleName, c.middle);
        item.setText(ContactField::Surname, c.last);
        item.setText(ContactField::DisplayName, c.display);
        item.setFileAs(c.fileAs, c.rule);
        Laid laid(item);
        EXPECT_EQ(asString(laid.id(0x001A)->data), text16("IPM.Contact"));
        if (c.display.empty()) {
            EXPECT_EQ(laid.id(0x3001), nullptr);
        } else {
            EXPECT_EQ(asString(laid.id(0x3001)->data), text16(c.display));
            EXPECT_EQ(asString(laid.id(0x0037)->data), text16("\x01\x01" + c.display));
        }
        EXPECT_EQ(asString(laid.lid(0x8005)->data), text16(c.storedFileAs)) << c.fileAs;
        EXPECT_EQ(le32(laid.lid(0x8006)->data), c.fileAsId) << c.fileAs;
        EXPECT_EQ(asString(laid.id(0x3A0A)->data), text16(c.initials)) << c.fileAs;
        EXPECT_EQ(le32(laid.id(0x0E07)->data), 1u); // read
        EXPECT_EQ(laid.id(0x300B)->data.size(), 16u);
    }
}

TEST_F(ContactItemTest, DatesAreStoredAsOutlookStoresThemAndNonDaysAreRefused) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "America/New_York", 1);
    tzset();

    ContactItem item = newItem();
    item.setDate(ContactDate::Birthday, {1970, 1, 2});
    item.setDate(ContactDate::Anniversary, {2000, 7, 1});
    Laid laid(item);
    constexpr std::uint64_t k1970 = 116444736000000000ull; // 1970-01-01 as a FILETIME
    constexpr std::uint64_t kHour = 36000000000ull;
    // Local midnight (UTC-5 in winter, UTC-4 in summer) and 00:00 UTC of the day.
    EXPECT_EQ(le64(laid.id(0x3A42)->data), k1970 + 24 * kHour + 5 * kHour);
    EXPECT_EQ(le64(laid.lid(0x80DE)->data), k1970 + 24 * kHour);
    const std::uint64_t july2000 = k1970 + 11139ull * 24 * kHour; // days from 1970-01-01
    EXPECT_EQ(le64(laid.id(0x3A41)->data), july2000 + 4 * kHour);
    EXPECT_EQ(le64(laid.lid(0x80DF)->data), july2000);

    for (CalendarDate bad : {CalendarDate{2023, 2, 29}, CalendarDate{2000, 13, 1}, CalendarDate{1500, 1, 1},
                             CalendarDate{2000, 4, 31}, CalendarDate{0, 0, 0}, CalendarDate{1601, 1, 1},
                             CalendarDate{4501, 1, 1}})
        EXPECT_THROW(item.setDate(ContactDate::Birthday, bad), StoreError) << bad.year << "-" << bad.month;
    item.setDate(ContactDate::Birthday, {2024, 2, 29});
    item.setDate(ContactDate::Birthday, {1601, 1, 2});
    item.setDate(ContactDate::Birthday, {4500, 12, 31});

    if (oldTz) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

TEST_F(ContactItemTest, CategoriesBecomeKeywordsAndTheBodyIsKeptAsGiven) {
    ContactItem item = newItem();
    item.setCategories({"Friends", "Work", "Family"});
    item.setBody(" Comments: ");
    NamedPropertyMap names;
    std::map<std::uint16_t, PropValue> props;
    for (auto& [tag, value] : item.properties(names)) props[brenmoor::pst::ltp::tagId(tag)] = value;
    const std::uint16_t keywords = names.idOf(PropertyName{kPsPublicStrings, std::string("Keywords")});
    ASSERT_TRUE(props.count(keywords));
    EXPECT_EQ(props[keywords].data, PropValue::multiUnicode({"Friends", "Work", "Family"}).data);
    EXPECT_EQ(asString(props[0x1000].data), utf16(" Comments: "));
}

// A list's members as Outlook wrote them for a contact's first address and two one-off
// addresses; a list too long for the multi-valued properties keeps every member in the
// stream form alone. The checker follows every member's entry ID to its message.
TEST_F(ContactItemTest, ListsKeepTheirMembersAsOutlookDoesAndLongListsInTheStreamForm) {
    ContactItem contact = newItem();
    contact.setText(ContactField::DisplayName, "contact name 1");
    contact.setText(ContactField::Email1Address, "contact1@example.org");
    contact.save();
    ContactItem inner = folder_->Items().Add("IPM.DistList");
    ContactItem outer = folder_->Items().Add("IPM.DistList");
    outer.setText(ContactField::DisplayName, "test dist list");
    outer.setMembers({{ListMember::Kind::Contact, contact.nid(), 0, "contact name 1", "contact1@example.org"},
                      {ListMember::Kind::Address, 0, 0, "dist name 1", "dist1@example.org"},
                      {ListMember::Kind::List, inner.nid(), 0, "inner", ""}});
    std::vector<ListMember> many;
    for (int i = 0; i < 400; ++i) many.push_back({ListMember::Kind::Contact, contact.nid(), i % 3, "c", "c@example.org"});
    inner.setText(ContactField::DisplayName, "inner");
    inner.setMembers(many);

    Laid laid(outer);
    const Bytes members = laid.lid(0x8055)->data;
    const Bytes oneOffs = laid.lid(0x8054)->data;
    ASSERT_EQ(le32(members), 3u);
    Bytes wrapped{0, 0, 0, 0, 0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11, 0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47,
                  0xFA, 0xA4, 0xC3};
    const Bytes contactId = entryId(store_->uid(), contact.nid());
    wrapped.insert(wrapped.end(), contactId.begin(), contactId.end());
    const Bytes outside = oneOffEntryId("dist name 1", "SMTP", "dist1@example.org");
    const auto value = [](const Bytes& mv, std::uint32_t index) {
        const std::uint32_t count = le32(mv), start = le32(mv, 4 + 4 * index);
        const std::uint32_t end = index + 1 < count ? le32(mv, 4 + 4 * (index + 1)) : std::uint32_t(mv.size());
        return Bytes(mv.begin() + start, mv.begin() + end);
    };
    EXPECT_EQ(value(members, 0), wrapped);
    EXPECT_EQ(value(members, 1), outside);
    EXPECT_EQ(value(members, 2)[20], 0xB4); // a list of this store
    EXPECT_EQ(value(oneOffs, 0), oneOffEntryId("contact name 1", "SMTP", "contact1@example.org"));
    EXPECT_EQ(value(oneOffs, 1), outside);
    std::uint32_t crc = 0;
    for (std::uint32_t i = 0; i < 3; ++i) crc = computeCrc(value(members, i).data(), value(members, i).size(), crc);
    EXPECT_EQ(le32(laid.lid(0x804C)->data), crc);
    EXPECT_EQ(asString(laid.lid(0x8053)->data), utf16("test dist list"));
    EXPECT_EQ(le32(laid.id(0x1080)->data), 0x202u);
    EXPECT_EQ(laid.lid(0x8064), nullptr);

    Laid long_(inner);
    EXPECT_EQ(long_.lid(0x8055), nullptr);
    EXPECT_EQ(long_.lid(0x8054), nullptr);
    // Written ahead to the file, a block at a time.
    Bytes stream = long_.lid(0x8064)->data;
    for (std::uint64_t bid : long_.lid(0x8064)->writtenBlocks) {
        const Bytes block = store_->nodeDatabase().readDataBlock(bid);
        stream.insert(stream.end(), block.begin(), block.end());
    }
    ASSERT_GT(stream.size(), kListPropertyLimit);
    EXPECT_EQ(le32(stream, 8 + 4), 400u); // the count after version, build and flags
    // The first member: its wrapped entry ID (e-mail 1), then its one-off.
    EXPECT_EQ(le32(stream, 28), wrapped.size());
    EXPECT_EQ(Bytes(stream.begin() + 32, stream.begin() + 32 + std::ptrdiff_t(wrapped.size())), wrapped);
    EXPECT_EQ(le32(stream, stream.size() - 8), 0u);

    outer.save();
    inner.save();
    store_->flush();
    EXPECT_EQ(brenmoor::pstcheck::checkPstFile(path_), std::vector<std::string>{});
    // A member whose message was never saved.
    const ContactItem unsaved = newItem();
    ContactItem dangling = folder_->Items().Add("IPM.DistList");
    dangling.setMembers({{ListMember::Kind::Contact, unsaved.nid(), 0, "x", "x@example.org"}});
    dangling.save();
    store_->flush();
    const auto problems = brenmoor::pstcheck::checkPstFile(path_);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("not a message of this store"), std::string::npos) << problems[0];
}

TEST(NamedPropertyMap, StreamsAndBucketsAreLaidOutInFull) {
    // The checksum of a string name as Outlook wrote it for "x-cr-puzzleid".
    const std::string puzzle = utf16("x-cr-puzzleid");
    EXPECT_EQ(computeCrc(reinterpret_cast<const std::uint8_t*>(puzzle.data()), puzzle.size()), 0xA6BAF103u);

    NamedPropertyMap names;
    EXPECT_EQ(names.idOf(PropertyName{kPsetidAddress, 0x8083u}), 0x8000);
    EXPECT_EQ(names.idOf(PropertyName{kPsPublicStrings, std::string("Keywords")}), 0x8001);
    EXPECT_EQ(names.idOf(PropertyName{kPsetidAddress, 0x8083u}), 0x8000);

    std::map<PropTag, Bytes> props;
    for (auto& [tag, value] : names.properties()) props[tag] = value.data;
    EXPECT_EQ(props[0x00010003], (Bytes{251, 0, 0, 0}));
    EXPECT_EQ(props[0x00020102], Bytes(kPsetidAddress.begin(), kPsetidAddress.end()));
    // LID 0x8083 in the first stream GUID (wGuid 3, numeric); "Keywords" at string
    // offset 0 in PS_PUBLIC_STRINGS (wGuid 2, string).
    EXPECT_EQ(props[0x00030102], (Bytes{0x83, 0x80, 0, 0, 0x06, 0, 0, 0, 0, 0, 0, 0, 0x05, 0, 1, 0}));
    const std::string keywords = utf16("Keywords");
    Bytes strings{16, 0, 0, 0};
    strings.insert(strings.end(), keywords.begin(), keywords.end());
    EXPECT_EQ(props[0x00040102], strings);
    // Each name in its hash bucket: (LID or name checksum) xor the GUID field, mod 251.
    const std::uint32_t crc = computeCrc(reinterpret_cast<const std::uint8_t*>(keywords.data()), keywords.size());
    const PropTag numericBucket = (0x1000u + (0x8083u ^ 6u) % 251u) << 16 | 0x0102;
    const PropTag stringBucket = (0x1000u + (crc ^ 5u) % 251u) << 16 | 0x0102;
    EXPECT_EQ(props[numericBucket], (Bytes{0x83, 0x80, 0, 0, 0x06, 0, 0, 0}));
    EXPECT_EQ(props[stringBucket], (Bytes{std::uint8_t(crc), std::uint8_t(crc >> 8), std::uint8_t(crc >> 16),
                                          std::uint8_t(crc >> 24), 0x05, 0, 1, 0}));
    EXPECT_EQ(props.size(), 6u);
}

} // namespace
