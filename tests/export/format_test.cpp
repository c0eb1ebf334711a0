// The exact bytes of each format for chosen contacts: the empty one, one whose items
// each hold their own name (so a mispaired column shows), and the edge cases that
// break readers.
#include <gtest/gtest.h>

#include <string>

#include "contacts.h"
#include "export/contact_file_name.h"
#include "export/csv_writer.h"
#include "export/html_writer.h"
#include "export/text_writer.h"
#include "export/vcard_writer.h"

namespace brenmoor::exporting {
namespace {

using testing::contact;
using testing::everyItemNamed;

TEST(CsvFormat, HeaderAndLinesOfEmptyAndFullContacts) {
    EXPECT_EQ(csvHeaderLine(),
              "First Name,Middle Name,Last Name,Title,Suffix,Email 1 Address, Company Name,Job "
              "Title,Business Address Street, Business Address City,Business Address "
              "State,Business Address Postal Code,Business Address Country, Business Telephone "
              "Number,Business Fax Number,Mobile Telephone "
              "Number,PagerNumber,Email1Address,Email2Address,Email3Address,OfficeLocation,"
              "WebPage,Department,ManagerName,AssistantName,HomeAddressStreet,HomeAddressCity,"
              "HomeAddressState,HomeAddressPostalCode ,HomeAddressCountry,Spouse,Children,"
              "HomeTelephoneNumber,HomeFaxNumber,Birthday,Anniversary,Notes,FullName,NickName,"
              "PersonalHomePage,Categories\r\n");
    EXPECT_EQ(csvHeaderLine().size(), 610u + 2u);
    EXPECT_EQ(csvContactLine(contact({})), std::string(40, ',') + "\r\n");
    EXPECT_EQ(csvContactLine(everyItemNamed()),
              "FirstName,MiddleInitial,LastName,Title,Suffix,MailAddress,CompanyName,JobTitle,"
              "OfficeStreetAddress,OfficeCity,OfficeState,OfficeZip,OfficeCountry,"
              "OfficePhoneNumber,OfficeFaxPhoneNumber,CellPhoneNumber,PhoneNumber_6,MiscPhone1,"
              "MiscPhone2,MiscPhone3,Location,WebSite,Department,Manager,Assistant,"
              "StreetAddress,City,State,Zip,Country,Spouse,Children,PhoneNumber,"
              "HomeFaxPhoneNumber,Birthday,Anniversary,Comment,FullName,ShortName,MailDomain,"
              "Categories\r\n");
}

// RFC 4180: a value holding a comma, a double quote or a line break is enclosed in
// double quotes with its quotes doubled; every other value, a leading "=", "+", "-" or
// "@" included, is written as it is.
TEST(CsvFormat, ValuesThatWouldBreakARecordAreQuoted) {
    struct Case {
        const char* value;
        const char* field;
    } cases[] = {
        {"Smith, Jr.", "\"Smith, Jr.\""},
        {",,,", "\",,,\""},
        {" padded ", " padded "},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line1\r\nline2", "\"line1\r\nline2\""},
        {"a\nb, c", "\"a\nb, c\""},
        {"lone\rcr", "\"lone\rcr\""},
        {"M\xC3\xBCller", "M\xC3\xBCller"},
        {"+49 711 1234", "+49 711 1234"},
        {"=1+2", "=1+2"},
        {"-5", "-5"},
        {"@home", "@home"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(csvContactLine(contact({{"LastName", c.value}})),
                  std::string(",,") + c.field + std::string(38, ',') + "\r\n");
    }
}

TEST(TextFormat, FullContactInTableOrder) {
    EXPECT_EQ(textPage(everyItemNamed()),
              "Full Name :         FullName \r\n"
              "First Name :         FirstName \r\n"
              "Last Name :         LastName \r\n"
              "Middle Name :         MiddleInitial \r\n"
              "Title :         Title \r\n"
              "Suffix :         Suffix \r\n"
              "Email Address :         MailAddress \r\n"
              "Company Name :         CompanyName \r\n"
              "Job Title :         JobTitle \r\n"
              "Business Street Address :         OfficeStreetAddress \r\n"
              "Business Address City :         OfficeCity \r\n"
              "Business Address State :         OfficeState \r\n"
              "Business Address Country :         OfficeCountry \r\n"
              "Business Address Postal Code :         OfficeZip \r\n"
              "Business Telephone Number :         OfficePhoneNumber \r\n"
              "Business Fax Number :         OfficeFaxPhoneNumber \r\n"
              "Mobile Telephone Number :         CellPhoneNumber \r\n"
              "Pager Number :         PhoneNumber_6 \r\n"
              "Email 1 Address :         MiscPhone1 \r\n"
              "Email 2 Address :         MiscPhone2 \r\n"
              "Email 3 Address :         MiscPhone3 \r\n"
              "Office Location :         Location \r\n"
              "Web Page :         WebSite \r\n"
              "Department :         Department \r\n"
              "Manager :         Manager \r\n"
              "Assistant :         Assistant \r\n"
              "Home Address Street :         StreetAddress \r\n"
              "Home Address City :         City \r\n"
              "Home Address State :         State \r\n"
              "Home Address Postal Code :         Zip \r\n"
              "Home Address Country :         Country \r\n"
              "Spouse :         Spouse \r\n"
              "Children :         Children \r\n"
              "Home Telephone Number :         PhoneNumber \r\n"
              "Home Fax Number :         HomeFaxPhoneNumber \r\n"
              "Pers Pager :         PersPager \r\n"
              "Birthday :         Birthday \r\n"
              "Anniversary :         Anniversary \r\n"
              "Briefcase :         Briefcase \r\n"
              "Comment :         Comment \r\n"
              "Full Name :         FullName \r\n"
              "Nick Name :         ShortName \r\n"
              "Personal Home Page :         MailDomain \r\n"
              "Categories :         Categories \r\n"
              "Email 1 Display Name :         NameDisplayPref \r\n");
}

TEST(TextFormat, EmptyContactAndLineBreaksInValues) {
    const std::string empty = textPage(contact({}));
    EXPECT_EQ(empty.rfind("Full Name :          \r\nFirst Name :          \r\n", 0), 0u);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = empty.find(" :          \r\n", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 45u);

    // Every break inside a value ends its line with CR LF, like every other line.
    const std::string page = textPage(contact({{"Comment", "one\ntwo\r\nthree\rfour"}}));
    EXPECT_NE(page.find("Comment :         one\r\ntwo\r\nthree\r\nfour \r\n"), std::string::npos);
}

TEST(ContactFileName, NamesAreSafeOnEveryFileSystem) {
    struct Case {
        const char* first;
        const char* last;
        std::int64_t number;
        const char* name;
    } cases[] = {
        {"John", "Smith", 1, "JohnSmith_1.txt"},
        {"Mary Ann", "van Dyke", 12, "Mary_Annvan_Dyke_12.txt"},
        {"", "", 5, "_5.txt"},
        {"a/b\\c", "d:e*f?g\"h<i>j|k", 2, "a_b_cd_e_f_g_h_i_j_k_2.txt"},
        {"tab\there", "new\nline\x7f", 3, "tab_herenew_line__3.txt"},
        {"J\xC3\xBCrgen", "..", 4, "J\xC3\xBCrgen.._4.txt"},
        {"Big", "", 100000, "Big_100000.txt"},
        // A leading "." would hide the file.
        {".bashrc", "", 6, "_bashrc_6.txt"},
        {"", ".Lee", 7, "_Lee_7.txt"},
        {"..", "", 8, "_._8.txt"},
        {"Ann.", "Lee", 9, "Ann.Lee_9.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(contactFileName(c.first, c.last, c.number, ".txt"), c.name);
}

TEST(ContactFileName, LongNamesAreCutAtCharacterBoundary) {
    // 200 two-byte characters: 400 bytes of name.
    std::string umlauts;
    for (int i = 0; i < 200; ++i) umlauts += "\xC3\xBC";
    const std::string name = contactFileName(umlauts, "", 123, ".html");
    EXPECT_LE(name.size(), kMaxFileNameBytes);
    EXPECT_EQ(name.substr(name.size() - 9), "_123.html");
    const std::string part = name.substr(0, name.size() - 9);
    EXPECT_EQ(part.size() % 2, 0u);
    EXPECT_EQ(part, umlauts.substr(0, part.size()));
    EXPECT_GE(part.size(), kMaxFileNameBytes - 9 - 1);

    const std::string ascii = contactFileName(std::string(300, 'x'), "y", 7, ".txt");
    EXPECT_EQ(ascii, std::string(kMaxFileNameBytes - 6, 'x') + "_7.txt");
}

TEST(HtmlFormat, EmptyContactPage) {
    std::string expected =
        "<html><head><meta charset='utf-8'><title></title>\r\n"
        "<style type='text/css'>body,td,th {  font-size: 12px; color: #333333;}body {    "
        "background-repeat: no-repeat;    margin-left: 0px;    margin-top: 0px;    "
        "margin-right: 0px;    margin-bottom: 0px;}h6 {    font-size: 14px;    color: "
        "#993300;}h5 {    font-size: 12px; color: #6633CC;}</style></head>\r\n"
        "<body>\r\n"
        "<table width='70%' border='0' align='left' cellpadding='2' cellspacing='2'>\r\n"
        "<tr>\r\n"
        "<td colspan='2' align='center'><h6>Full Name :  </h6><hr></td>\r\n"
        "</tr>\r\n";
    const char* labels[] = {
        "First Name", "Last Name", "Middle Name", "Title", "Suffix", "Email Address",
        "Company Name", "Job Title", "Business Street Address", "Business Address City",
        "Business Address State", "Business Address Country", "Business Address Postal Code",
        "Business Telephone Number", "Business Fax Number", "Mobile Telephone Number",
        "Pager Number", "Email 1 Address ", "Email 2 Address ", "Email 3 Address ",
        "Office Location", "Web Page ", "Department", "Manager", "Assistant",
        "Home Address Street", "Home Address City ", "Home Address State ",
        "Home Address Postal Code ", "Home Address Country", "Spouse", "Children",
        "Home Telephone Number", "Home Fax Number", "Pers Pager", "Birthday", "Anniversary",
        "Briefcase", "Comment", "Full Name", "Nick Name", "Personal Home Page", "Categories",
        "Email 1 Display Name"};
    ASSERT_EQ(std::size(labels), 44u);
    for (const char* label : labels)
        expected += std::string("<tr>\r\n<td width='50%'><h5>") + label +
                    "</h5></td>\r\n<td width='50%'></td>\r\n </tr>\r\n";
    expected +=
        "<tr>\r\n"
        "<td colspan='2' align='center'><hr>....................... End Of The Contact Details "
        ".......................</td>\r\n"
        "</tr>\r\n"
        "</table>\r\n"
        "</body></html>\r\n";
    EXPECT_EQ(htmlPage(contact({})), expected);
}

TEST(HtmlFormat, ValuesPairedWithTheirRowsAndEscaped) {
    const std::string page = htmlPage(everyItemNamed());
    // Row 13 is the office postal code, row 35 the personal pager, row 42 the mail domain.
    for (const char* row : {"Business Address Postal Code</h5></td>\r\n<td width='50%'>OfficeZip</td>",
                            "Pers Pager</h5></td>\r\n<td width='50%'>PersPager</td>",
                            "Personal Home Page</h5></td>\r\n<td width='50%'>MailDomain</td>",
                            "Email 1 Display Name</h5></td>\r\n<td width='50%'>NameDisplayPref</td>"})
        EXPECT_NE(page.find(row), std::string::npos) << row;

    const std::string marked = htmlPage(contact({{"FullName", "<b>Tom & \"Jerry\"</b>'s"},
                                                 {"Comment", "a<br>\nb"}}));
    const std::string escaped = "&lt;b&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;&#39;s";
    EXPECT_EQ(marked.substr(0, marked.find("\r\n")),
              "<html><head><meta charset='utf-8'><title>" + escaped + "</title>");
    EXPECT_NE(marked.find("<h6>Full Name : " + escaped + " </h6>"), std::string::npos);
    EXPECT_NE(marked.find("<td width='50%'>a&lt;br&gt;<br>\r\nb</td>"), std::string::npos); // the break shown
    EXPECT_EQ(marked.find("<b>"), std::string::npos);
}

TEST(VcardFormat, EmptyAndFullCards) {
    EXPECT_EQ(vcardCard(contact({})),
              "BEGIN:VCARD\r\n"
              "VERSION:2.1\r\n"
              "N:;; \r\n"
              "FN:\r\n"
              "ORG:;\r\n"
              "TITLE:\r\n"
              "NOTE:\r\n"
              "ADR;WORK:;; ;;; ;\r\n"
              "LABEL;WORK;ENCODING=QUOTED-PRINTABLE:BusinessOffice=0D=0A=0D=0A,  =0D=0A\r\n"
              "ADR;HOME:;;;;;; \r\n"
              "LABEL;HOME;ENCODING=QUOTED-PRINTABLE:=0D=0A, =0D=0A \r\n"
              "TEL;WORK;VOICE:\r\n"
              "TEL;HOME;VOICE:\r\n"
              "TEL;CELL;VOICE:\r\n"
              "TEL;PAGER;VOICE:\r\n"
              "TEL;WORK;FAX:\r\n"
              "TEL;HOME;FAX:\r\n"
              "URL;HOME:\r\n"
              "URL;WORK:\r\n"
              "BDAY:\r\n"
              "EMAIL;PREF;INTERNET: \r\n"
              "END:VCARD\r\n");
    EXPECT_EQ(vcardCard(everyItemNamed()),
              "BEGIN:VCARD\r\n"
              "VERSION:2.1\r\n"
              "N:LastName;FirstName; MiddleInitial\r\n"
              "FN:FullName\r\n"
              "ORG:CompanyName;Department\r\n"
              "TITLE:Title\r\n"
              "NOTE:Comment\r\n"
              "ADR;WORK:;Location;OfficeStreetAddress ;OfficeCity;OfficeState; "
              "OfficeZip;OfficeCountry\r\n"
              "LABEL;WORK;ENCODING=QUOTED-PRINTABLE:BusinessOffice=0D=0AOfficeStreetAddress=0D=0A"
              "OfficeCity, OfficeState OfficeZip=0D=0AOfficeCountry\r\n"
              "ADR;HOME:;;StreetAddress;City;State;Zip;Country \r\n"
              "LABEL;HOME;ENCODING=QUOTED-PRINTABLE:StreetAddress=0D=0ACity,State Zip=0D=0A"
              "Country \r\n"
              "TEL;WORK;VOICE:OfficePhoneNumber\r\n"
              "TEL;HOME;VOICE:PhoneNumber\r\n"
              "TEL;CELL;VOICE:CellPhoneNumber\r\n"
              "TEL;PAGER;VOICE:PersPager\r\n"
              "TEL;WORK;FAX:OfficeFaxPhoneNumber\r\n"
              "TEL;HOME;FAX:HomeFaxPhoneNumber\r\n"
              "URL;HOME:WebSite\r\n"
              "URL;WORK:WebSite\r\n"
              "BDAY:Birthday\r\n"
              "EMAIL;PREF;INTERNET:MailAddress \r\n"
              "END:VCARD\r\n");
}

TEST(VcardFormat, LineBreaksAndNonAsciiAreDeclaredAndEncoded) {
    const std::string card = vcardCard(contact({
        {"LastName", "M\xC3\xBCller"},
        {"FirstName", "J\xC3\xBCrgen"},
        {"Comment", "a=b\r\nc\td\ne\rf"},
        {"OfficeStreetAddress", "Hauptstra\xC3\x9F" "e 1\nHof"},
        {"FullName", "Semi;colon, comma\\"},
        {"City", "Z\xC3\xBCrich"},
    }));
    for (const char* line : {
             "N;CHARSET=UTF-8:M\xC3\xBCller;J\xC3\xBCrgen; \r\n",
             "FN:Semi;colon, comma\\\r\n",
             "NOTE;ENCODING=QUOTED-PRINTABLE:a=3Db=0D=0Ac=09d=0D=0Ae=0D=0Af\r\n",
             "ADR;WORK;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe 1=0D=0AHof ;;; ;\r\n",
             "LABEL;WORK;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:BusinessOffice=0D=0A"
             "Hauptstra=C3=9Fe 1=0D=0AHof=0D=0A,  =0D=0A\r\n",
             "ADR;HOME;CHARSET=UTF-8:;;;Z\xC3\xBCrich;;; \r\n",
             "LABEL;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=0D=0AZ=C3=BCrich, =0D=0A \r\n",
         })
        EXPECT_NE(card.find(line), std::string::npos) << line;
}

} // namespace
} // namespace brenmoor::exporting
