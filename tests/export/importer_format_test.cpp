// The importer formats byte for byte: vCard escaping and folding, a whole card of each
// version, LDIF's safe values, base64 and distinguished names, Outlook's quoting, and
// where numbers go when a format has fixed places for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "contact/contact.h"
#include "export/contact_text.h"
#include "export/export_run.h"
#include "export/output_formats.h"
#include "export/ldif_writer.h"
#include "export/outlook_csv_writer.h"
#include "export/standard_vcard_writer.h"
#include "export/text_sink.h"
#include "export/vcard_text.h"

namespace brenmoor::exporting {
namespace {

using contact::Contact;
using contact::PhoneKind;

// The value of one content line "X:..." written in the given pieces, without the line's
// name and break.
std::string escapedValue(const std::vector<std::string_view>& pieces, Semicolons semicolons) {
    StringSink out;
    VcardLines lines(out);
    lines.start();
    lines.plain("X:");
    for (std::string_view piece : pieces) lines.escaped(piece, semicolons);
    lines.end();
    return out.text.substr(2, out.text.size() - 4);
}

TEST(VcardText, EscapingAsEachVersionRequires) {
    struct Case {
        std::string value;
        std::string text3;  // any text of 3.0, and the components of 4.0
        std::string text4;  // a plain text of 4.0
    } cases[] = {
        {"plain: text", "plain: text", "plain: text"},
        {"Smith, Jr.", "Smith\\, Jr.", "Smith\\, Jr."},
        {"a;b", "a\\;b", "a;b"},
        {"C:\\dir\\", "C:\\\\dir\\\\", "C:\\\\dir\\\\"},
        {"1\r\n2\n3\r4", "1\\n2\\n3\\n4", "1\\n2\\n3\\n4"},
        {"\r\r\n\n\r", "\\n\\n\\n\\n", "\\n\\n\\n\\n"},
        {"\\n is no break", "\\\\n is no break", "\\\\n is no break"},
        {"Zoë \"Z\" 🎉", "Zoë \"Z\" 🎉", "Zoë \"Z\" 🎉"},
    };
    for (const Case& c : cases) {
        // Whole, and in two pieces split anywhere (a CR LF too): the same text.
        for (std::size_t split = 0; split <= c.value.size(); ++split) {
            SCOPED_TRACE(c.value + " split at " + std::to_string(split));
            const std::string_view value = c.value;
            const std::vector<std::string_view> pieces{value.substr(0, split), value.substr(split)};
            EXPECT_EQ(escapedValue(pieces, Semicolons::Escaped), c.text3);
            EXPECT_EQ(escapedValue(pieces, Semicolons::Kept), c.text4);
        }
    }
}

TEST(VcardText, FoldingAt75OctetsNeverInsideAUtf8SequenceNorNextToABlank) {
    const std::string a75(75, 'a');
    struct Case {
        std::string line;
        std::string folded;
    } cases[] = {
        {a75, a75 + "\r\n"},
        {a75 + "b", a75 + "\r\n b\r\n"},
        // Continuations hold 74 octets after their space.
        {a75 + std::string(74, 'b') + "c", a75 + "\r\n " + std::string(74, 'b') + "\r\n c\r\n"},
        // A two-octet "é" that would straddle octet 75 moves whole to the next line.
        {std::string(74, 'a') + "\xC3\xA9", std::string(74, 'a') + "\r\n \xC3\xA9\r\n"},
        {std::string(73, 'a') + "\xE7\x94\xB0x", std::string(73, 'a') + "\r\n \xE7\x94\xB0x\r\n"},
        {std::string(72, 'a') + "\xF0\x9F\x8E\x89", std::string(72, 'a') + "\r\n \xF0\x9F\x8E\x89\r\n"},
        {std::string(71, 'a') + "\xF0\x9F\x8E\x89", std::string(71, 'a') + "\xF0\x9F\x8E\x89\r\n"},
        // Never next to a blank, which readers that trim folded lines would lose.
        {std::string(74, 'a') + " b", std::string(73, 'a') + "\r\n a b\r\n"},
        {a75 + " b", std::string(74, 'a') + "\r\n a b\r\n"},
        {std::string(72, 'a') + "\xC3\xA9\t\xC3\xA9", std::string(72, 'a') + "\r\n \xC3\xA9\t\xC3\xA9\r\n"},
        {std::string(80, ' '), std::string(75, ' ') + "\r\n      \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.size());
        StringSink out;
        VcardLines lines(out);
        lines.start();
        lines.plain(c.line);
        lines.end();
        EXPECT_EQ(out.text, c.folded);
    }
}

TEST(VcardText, ALongValueFoldsAsItIsWrittenAsTheWholeLineWould) {
    // Folded while it is written (pieces of a value are escaped and their lines written
    // before the value ends), with characters of two, three and four octets at the folds.
    std::string value = "NOTE:";
    for (int i = 0; value.size() < 300'000; ++i) value += i % 3 == 0 ? "\xC3\xA9" : i % 3 == 1 ? "\xE7\x94\xB0" : "ab\xF0\x9F\x8E\x89";
    StringSink whole, written;
    VcardLines wholeLine(whole), writtenLine(written);
    wholeLine.start();
    wholeLine.plain(value);
    wholeLine.end();
    writtenLine.start();
    writtenLine.plain("NOTE:");
    writtenLine.escaped(std::string_view(value).substr(5), Semicolons::Escaped);
    writtenLine.end();
    EXPECT_EQ(written.text, whole.text);
}

Contact fullContact() {
    Contact c;
    c.uid = "cfcd2084-95d5-65ef-66e7-dff9f98764da";
    c.revision = contact::Timestamp{2014, 3, 1, 14, 15, 30, true};
    c.name = {"Dr.", "Ann", "J", "Lee, Jr.", "III"};
    c.formattedName = "Ann J Lee, Jr.";
    c.nickname = "Annie";
    c.organization = "Harbour; Freight";
    c.unit = "Dispatch";
    c.jobTitle = "Head";
    c.office = "Room 4";
    c.webPages = {{contact::Place::Work, "https://example.com/ann"}, {contact::Place::Home, "https://ann.example"}};
    c.emails = {{contact::Place::Work, "ann@example.com", "Ann Lee"},
                {contact::Place::Home, "a.lee@example.org", ""},
                {contact::Place::Other, "third@example.net", ""}};
    c.notesMailAddress = "Ann Lee/Harbour@HARBOUR";
    c.imAddresses = {"Ann Lee/Harbour"};
    c.phones = {{PhoneKind::WorkVoice, "+1 503 555 0142"}, {PhoneKind::HomeFax, "+1 503 555 0199"},
                {PhoneKind::PersonalCell, "+1 503 555 0100", true}, {PhoneKind::Car, "+1 503 555 0111"}};
    c.isPrivate = true;
    c.alternateName = "李安";
    c.alternateNameLanguage = "zh-Hant";
    c.nameReading = "Lǐ Ān";
    c.readingFamily = "Lǐ";
    c.readingGiven = "Ān";
    c.otherFields = {{"Hobby", "Sailing"}};
    c.workAddress = contact::Address{"1 Pier Road\r\nUnit 2", "Portland", "OR", "97201", "USA"};
    c.birthday.date = CalendarDate{1978, 3, 14};
    c.anniversary.text = "spring; 1990";
    c.related = {{contact::Relation::Spouse, "Bo Lee"}, {contact::Relation::Manager, "S. Iyer"}};
    c.comment = "Line 1\r\nLine 2";
    c.categories = {"Work", "Friends, close"};
    return c;
}

TEST(StandardVcard, VersionFourCard) {
    EXPECT_EQ(standardVcard(fullContact(), VcardVersion::V4),
              "BEGIN:VCARD\r\n"
              "VERSION:4.0\r\n"
              "PRODID:-//Brenmoor//Brenmoor//EN\r\n"
              "KIND:individual\r\n"
              "UID:urn:uuid:cfcd2084-95d5-65ef-66e7-dff9f98764da\r\n"
              "REV:20140301T141530Z\r\n"
              "FN;ALTID=1:Ann J Lee\\, Jr.\r\n"
              "FN;ALTID=1;LANGUAGE=zh-Hant:李安\r\n"
              "N;SORT-AS=\"Lǐ,Ān\":Lee\\, Jr.;Ann;J;Dr.;III\r\n"
              "X-PHONETIC-FIRST-NAME:Ān\r\n"
              "X-PHONETIC-LAST-NAME:Lǐ\r\n"
              "NICKNAME:Annie\r\n"
              "ORG:Harbour\\; Freight;Dispatch\r\n"
              "TITLE:Head\r\n"
              "EMAIL;PREF=1:ann@example.com\r\n"
              "EMAIL:a.lee@example.org\r\n"
              "EMAIL:third@example.net\r\n"
              "TEL;TYPE=work,voice:+1 503 555 0142\r\n"
              "TEL;TYPE=home,fax:+1 503 555 0199\r\n"
              "TEL;TYPE=home,cell;PREF=1:+1 503 555 0100\r\n"
              "TEL;TYPE=x-car,voice:+1 503 555 0111\r\n"
              "X-MS-IMADDRESS:Ann Lee/Harbour\r\n"
              "IMPP;X-SERVICE-TYPE=Sametime:sametime:Ann%20Lee%2FHarbour\r\n"
              "ADR;TYPE=work:;Room 4;1 Pier Road\\nUnit 2;Portland;OR;97201;USA\r\n"
              "URL;TYPE=work:https://example.com/ann\r\n"
              "URL;TYPE=home:https://ann.example\r\n"
              "BDAY:19780314\r\n"
              "ANNIVERSARY;VALUE=text:spring; 1990\r\n"
              "RELATED;TYPE=spouse;VALUE=text:Bo Lee\r\n"
              "X-EVOLUTION-SPOUSE:Bo Lee\r\n"
              "RELATED;TYPE=x-manager;VALUE=text:S. Iyer\r\n"
              "X-EVOLUTION-MANAGER:S. Iyer\r\n"
              "NOTE:Line 1\\nLine 2\\nAnniversary: spring; 1990\\nNotes mail address: Ann Lee\r\n"
              " /Harbour@HARBOUR\\nPrivate contact\\nOther fields\\nHobby: Sailing\r\n"
              "CATEGORIES:Work,Friends\\, close\r\n"
              "END:VCARD\r\n");
}

TEST(StandardVcard, VersionThreeCard) {
    EXPECT_EQ(standardVcard(fullContact(), VcardVersion::V3),
              "BEGIN:VCARD\r\n"
              "VERSION:3.0\r\n"
              "PRODID:-//Brenmoor//Brenmoor//EN\r\n"
              "UID:cfcd2084-95d5-65ef-66e7-dff9f98764da\r\n"
              "REV:2014-03-01T14:15:30Z\r\n"
              "FN:Ann J Lee\\, Jr.\r\n"
              "N:Lee\\, Jr.;Ann;J;Dr.;III\r\n"
              "X-PHONETIC-FIRST-NAME:Ān\r\n"
              "X-PHONETIC-LAST-NAME:Lǐ\r\n"
              "NICKNAME:Annie\r\n"
              "ORG:Harbour\\; Freight;Dispatch\r\n"
              "TITLE:Head\r\n"
              "EMAIL;TYPE=INTERNET,PREF:ann@example.com\r\n"
              "EMAIL;TYPE=INTERNET:a.lee@example.org\r\n"
              "EMAIL;TYPE=INTERNET:third@example.net\r\n"
              "TEL;TYPE=WORK,VOICE:+1 503 555 0142\r\n"
              "TEL;TYPE=HOME,FAX:+1 503 555 0199\r\n"
              "TEL;TYPE=HOME,CELL,PREF:+1 503 555 0100\r\n"
              "TEL;TYPE=CAR,VOICE:+1 503 555 0111\r\n"
              "X-MS-IMADDRESS:Ann Lee/Harbour\r\n"
              "IMPP;X-SERVICE-TYPE=Sametime:sametime:Ann%20Lee%2FHarbour\r\n"
              "ADR;TYPE=WORK:;Room 4;1 Pier Road\\nUnit 2;Portland;OR;97201;USA\r\n"
              "URL;TYPE=WORK:https://example.com/ann\r\n"
              "URL;TYPE=HOME:https://ann.example\r\n"
              "BDAY:1978-03-14\r\n"
              "X-MS-SPOUSE:Bo Lee\r\n"
              "X-EVOLUTION-SPOUSE:Bo Lee\r\n"
              "X-MS-MANAGER:S. Iyer\r\n"
              "X-EVOLUTION-MANAGER:S. Iyer\r\n"
              "NOTE:Line 1\\nLine 2\\nAnniversary: spring\\; 1990\\nNotes mail address: Ann Le\r\n"
              " e/Harbour@HARBOUR\\nAlternate name: 李安 (zh-Hant)\\nOther fields\\nHobby\r\n"
              " : Sailing\r\n"
              "CATEGORIES:Work,Friends\\, close\r\n"
              "CLASS:PRIVATE\r\n"
              "END:VCARD\r\n");
}

TEST(StandardVcard, AnEmptyContactKeepsTheRequiredProperties) {
    Contact c;
    c.uid = "f16c8c1a-79d4-5569-9ba3-4809de4c31f9";
    EXPECT_EQ(standardVcard(c, VcardVersion::V3),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Brenmoor//Brenmoor//EN\r\n"
              "UID:f16c8c1a-79d4-5569-9ba3-4809de4c31f9\r\nFN:\r\nN:;;;;\r\nEND:VCARD\r\n");
    EXPECT_EQ(standardVcard(c, VcardVersion::V4),
              "BEGIN:VCARD\r\nVERSION:4.0\r\nPRODID:-//Brenmoor//Brenmoor//EN\r\nKIND:individual\r\n"
              "UID:urn:uuid:f16c8c1a-79d4-5569-9ba3-4809de4c31f9\r\nFN:\r\nEND:VCARD\r\n");
}

TEST(Ldif, ValuesThatAreNotSafeGoInBase64) {
    struct Case {
        std::string value;
        std::string line;
    } cases[] = {
        {"Ann Lee", "cn: Ann Lee\n"},
        {"a: b <c>", "cn: a: b <c>\n"},
        {"", ""},
        {" leading space", "cn:: IGxlYWRpbmcgc3BhY2U=\n"},
        {"trailing ", "cn:: dHJhaWxpbmcg\n"},
        {":colon", "cn:: OmNvbG9u\n"},
        {"<angle", "cn:: PGFuZ2xl\n"},
        {"two\r\nlines", "cn:: dHdvDQpsaW5lcw==\n"},
        {"Zo\xC3\xAB", "cn:: Wm/Dqw==\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        StringSink out;
        appendLdifLine(out, "cn", c.value);
        EXPECT_EQ(out.text, c.line);
        // The same value as a note handed out a byte at a time (a control character,
        // left out, between each two): the same line.
        Contact note;
        for (char byte : c.value) note.comment += std::string(1, byte) + "\x01";
        StringSink pieces;
        appendLdifLine(pieces, "cn", PiecedText(note, ""));
        EXPECT_EQ(pieces.text, c.line);
    }
}

TEST(Ldif, DistinguishedNamesEscapeTheirSpecialCharacters) {
    EXPECT_EQ(dnValue("Lee, Jr. + Co; \"x\" <y> \\z"), "Lee\\, Jr. \\+ Co\\; \\\"x\\\" \\<y\\> \\\\z");
    EXPECT_EQ(dnValue("#1 "), "\\#1\\ ");
    EXPECT_EQ(dnValue(" a"), "\\ a");

    Contact c;
    c.uid = "f16c8c1a-79d4-5569-9ba3-4809de4c31f9";
    EXPECT_EQ(thunderbirdDn(c), "uid=f16c8c1a-79d4-5569-9ba3-4809de4c31f9");
    c.formattedName = "Lee, Ann";
    EXPECT_EQ(thunderbirdDn(c), "cn=Lee\\, Ann");
    c.emails = {{contact::Place::Work, "ann@example.com", ""}};
    EXPECT_EQ(thunderbirdDn(c), "cn=Lee\\, Ann,mail=ann@example.com");
    // A repeat's uid joins the cn's RDN, each value escaped on its own.
    c.formattedName = "a,mail=b";
    c.emails = {{contact::Place::Work, "x@y.z", ""}};
    EXPECT_EQ(thunderbirdDn(c, "f16c8c1a+1"), "cn=a\\,mail=b+uid=f16c8c1a\\+1,mail=x@y.z");
}

TEST(Ldif, AnEntryInThunderbirdsNamesWithTheRestInTheNote) {
    const Contact c = fullContact();
    EXPECT_EQ(ldifEntry(c, thunderbirdDn(c)),
              "dn: cn=Ann J Lee\\, Jr.,mail=ann@example.com\n"
              "objectclass: top\n"
              "objectclass: person\n"
              "objectclass: organizationalPerson\n"
              "objectclass: inetOrgPerson\n"
              "objectclass: mozillaAbPersonAlpha\n"
              "givenName: Ann\n"
              "sn: Lee, Jr.\n"
              "cn: Ann J Lee, Jr.\n"
              "mozillaNickname: Annie\n"
              "mail: ann@example.com\n"
              "mozillaSecondEmail: a.lee@example.org\n"
              "telephoneNumber: +1 503 555 0142\n"
              "facsimiletelephonenumber: +1 503 555 0199\n"
              "mobile: +1 503 555 0100\n"
              "street: 1 Pier Road\n"
              "mozillaWorkStreet2: Unit 2\n"
              "l: Portland\n"
              "st: OR\n"
              "postalCode: 97201\n"
              "c: USA\n"
              "title: Head\n"
              "ou: Dispatch\n"
              "o: Harbour; Freight\n"
              "mozillaWorkUrl: https://example.com/ann\n"
              "mozillaHomeUrl: https://ann.example\n"
              "birthyear: 1978\n"
              "birthmonth: 3\n"
              "birthday: 14\n"
              // "Line 1\r\nLine 2\r\nMiddle name: J\r\nName prefix: Dr.\r\nName suffix: III\r\n
              // Office: Room 4\r\nE-mail: third@example.net\r\nCar phone: +1 503 555 0111\r\n
              // Anniversary: spring; 1990\r\nSpouse: Bo Lee\r\nManager: S. Iyer\r\n
              // Categories: Work, Friends, close\r\nNotes mail address: Ann Lee/Harbour@HARBOUR\r\n
              // Sametime: Ann Lee/Harbour\r\nAlternate name: 李安 (zh-Hant)\r\nOther fields\r\n
              // Hobby: Sailing"
              "description:: TGluZSAxDQpMaW5lIDINCk1pZGRsZSBuYW1lOiBKDQpOYW1lIHByZWZpeDogRHIuDQpOYW1lIHN1ZmZpeDogSU"
              "lJDQpPZmZpY2U6IFJvb20gNA0KRS1tYWlsOiB0aGlyZEBleGFtcGxlLm5ldA0KQ2FyIHBob25lOiArMSA1MDMgNTU1IDAxMT"
              "ENCkFubml2ZXJzYXJ5OiBzcHJpbmc7IDE5OTANClNwb3VzZTogQm8gTGVlDQpNYW5hZ2VyOiBTLiBJeWVyDQpDYXRlZ29yaW"
              "VzOiBXb3JrLCBGcmllbmRzLCBjbG9zZQ0KTm90ZXMgbWFpbCBhZGRyZXNzOiBBbm4gTGVlL0hhcmJvdXJASEFSQk9VUg0KU2"
              "FtZXRpbWU6IEFubiBMZWUvSGFyYm91cg0KQWx0ZXJuYXRlIG5hbWU6IOadjuWuiSAoemgtSGFudCkNCk5hbWUgcmVhZGluZz"
              "ogTMeQIMSAbg0KUHJpdmF0ZSBjb250YWN0DQpPdGhlciBmaWVsZHMNCkhvYmJ5OiBTYWlsaW5n\n"
              "\n");
}

TEST(OutlookCsv, OutlooksHeaderAndEveryFieldQuoted) {
    const std::string opening = outlookCsvOpening();
    EXPECT_EQ(opening.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(opening.substr(3).starts_with("\"Title\",\"First Name\",\"Middle Name\",\"Last Name\","));
    EXPECT_TRUE(opening.ends_with(",\"Web Page\"\r\n"));
    EXPECT_EQ(std::count(opening.begin(), opening.end(), ','), 91);

    Contact c;
    c.name.family = "O\"Brien, \"Jr.\"";
    c.comment = "two\r\nlines";
    const std::string record = outlookCsvRecord(c);
    EXPECT_TRUE(record.starts_with("\"\",\"\",\"\",\"O\"\"Brien, \"\"Jr.\"\"\",\"\","));
    EXPECT_NE(record.find(",\"two\r\nlines\","), std::string::npos);
    EXPECT_TRUE(record.ends_with(",\"\"\r\n"));
    EXPECT_EQ(std::count(record.begin(), record.end(), '"'), 2 * 92 + 2 * 3); // three quotes doubled
}

TEST(PhoneSlots, EachNumberTakesTheFirstFreeSlotOfItsKindThenWhatIsLeftTakesTheOthers) {
    const PhoneSlot slots[] = {
        {"mobile", phoneKinds({PhoneKind::WorkCell, PhoneKind::PersonalCell})},
        {"other", phoneKinds({PhoneKind::OtherVoice}), phoneKinds({PhoneKind::WorkCell, PhoneKind::PersonalCell})},
        {"fax", phoneKinds({PhoneKind::WorkFax})},
    };
    const std::vector<contact::Phone> phones{{PhoneKind::PersonalCell, "1"},
                                             {PhoneKind::WorkVoice, "2"},
                                             {PhoneKind::WorkCell, "3"},
                                             {PhoneKind::PersonalCell, "4"}};
    std::vector<std::string_view> numbers;
    auto left = fillPhoneSlots(phones, slots, numbers);
    EXPECT_EQ(numbers, (std::vector<std::string_view>{"1", "3", ""}));
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0]->number, "2");
    EXPECT_EQ(left[1]->number, "4");

    // A real other number, though it comes last, wins its slot from the spare cell phones.
    std::vector<contact::Phone> withOther = phones;
    withOther.push_back({PhoneKind::OtherVoice, "5"});
    left = fillPhoneSlots(withOther, slots, numbers);
    EXPECT_EQ(numbers, (std::vector<std::string_view>{"1", "5", ""}));
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[1]->number, "3");
}

// Answers the folder picker with one folder and keeps the messages.
class FolderUi final : public ExportUi {
public:
    explicit FolderUi(std::string folder) : folder_(std::move(folder)) {}
    std::string browseForFolder(const std::string&) override { return folder_; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void setProgressRange(std::int64_t, std::int64_t) override {}
    void setProgressValue(std::int64_t) override {}
    std::vector<std::string> messages;

private:
    std::string folder_;
};

TEST(ImporterExports, ABookWithoutContactsGivesEachFileItsOpeningAlone) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("brenmoor-importers-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string book = (root / "empty.dxl").string();
    std::ofstream(book) << "<?xml version='1.0'?><database xmlns='http://www.lotus.com/dxl'/>";

    const auto contentOf = [&](const char* name) {
        std::ifstream in(root / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    FolderUi ui(root.string());
    for (const char* format : {"vcard3", "vcard4", "ldif", "outlook-csv"})
        EXPECT_EQ(ExportRun(ui).run(outputFormat(format), book), ExportRun::Outcome::Completed);
    EXPECT_EQ(ui.messages, std::vector<std::string>(4, "Conversion Process Completed"));
    EXPECT_EQ(contentOf("Qalder_Notes_Contact_v3.vcf"), "");
    EXPECT_EQ(contentOf("Qalder_Notes_Contact_v4.vcf"), "");
    EXPECT_EQ(contentOf("Qalder_Notes_Contact.ldif"), "version: 1\n");
    EXPECT_EQ(contentOf("Qalder_Notes_Contact_Outlook.csv"), outlookCsvOpening());
    fs::remove_all(root);
}

} // namespace
} // namespace brenmoor::exporting
