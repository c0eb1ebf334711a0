// Bad address books: each failure is a NotesError that names the file and says
// what is wrong; nothing outside the file is read and nothing blows up.
#include <sys/resource.h>

#include <random>

#include "book_fixture.h"
#include "notes/address_book.h"

namespace brenmoor::notes {
namespace {

using testing::dxl;
using testing::person;
using testing::textItem;

class BadBooks : public testing::BookFiles {
protected:
    // The message of the NotesError that reading the whole book gives.
    std::string failure(const std::string& path) {
        try {
            AddressBook book(path);
            book.entryCount();
            for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
            }
            book.documentAt(1);
        } catch (const NotesError& error) {
            return error.what();
        }
        return "(no error)";
    }
};

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" does not contain \"" << part << "\"";
}

TEST_F(BadBooks, FilesThatCannotBeOpenedSaySo) {
    std::string missing = folder() + "/missing.dxl";
    EXPECT_TRUE(contains(failure(missing), "\"" + missing + "\""));
    EXPECT_TRUE(contains(failure(missing), "No such file or directory"));
    EXPECT_TRUE(contains(failure(folder()), "is a folder"));
    EXPECT_TRUE(contains(failure(write("", "empty.dxl")), "is empty"));
    EXPECT_TRUE(contains(failure(""), "No address book"));
    if (geteuid() != 0) {
        std::string locked = write(dxl(""), "locked.dxl");
        chmod(locked.c_str(), 0);
        EXPECT_TRUE(contains(failure(locked), "Permission denied"));
    }
}

TEST_F(BadBooks, ANotesDatabaseIsToldToBeExportedAsDxl) {
    std::string nsf = write(std::string("\x1A\x00\x05\x00\x00\x00", 6) + std::string(200, '\0'), "names.nsf");
    std::string message = failure(nsf);
    EXPECT_TRUE(contains(message, "\"" + nsf + "\""));
    EXPECT_TRUE(contains(message, "Notes database (.nsf)"));
    EXPECT_TRUE(contains(message, "DXL"));
    EXPECT_TRUE(contains(message, "Export"));
}

TEST_F(BadBooks, FilesThatAreNoDxlDatabaseSaySo) {
    EXPECT_TRUE(contains(failure(write("FirstName,LastName\r\nAnn,Lee\r\n")), "is not XML"));
    EXPECT_TRUE(contains(failure(write(std::string("\x89PNG\r\n\x1A\n", 8))), "is not XML"));
    EXPECT_TRUE(contains(failure(write("<?xml version='1.0'?><html><body/></html>")), "its root element is <html>"));
    EXPECT_TRUE(contains(failure(write("<database><document form='Person'/></database>")), "without the DXL namespace"));
    EXPECT_TRUE(contains(failure(write("<d:database xmlns:d='urn:not-dxl'/>")), "not a Notes address book"));
}

TEST_F(BadBooks, MalformedXmlIsPlacedAtItsLineAndColumn) {
    struct Case {
        std::string content;
        const char* where;
        const char* what;
    };
    // The root start tag is line 3; content starts on line 4. Expat places a
    // mismatched end tag at its name and a bad '&' just after it.
    const Case cases[] = {
        {person(textItem("FirstName", "Ann")) + "<document form='Person'><item name='x'><text>a</item></document>\n",
         "line 6, column 49", "mismatched tag"},
        {person("<item name='FirstName'><text>Ann & Lee</text></item>"), "line 5, column 35", "not well-formed"},
        {person(textItem("FirstName", "Ann")) + "<document form='Person'>", "line 6", ""},
        {"<document form='Group'><item></document>\n", "line 4, column 32", "mismatched tag"},
        {"<!-- open comment\n", "line ", ""},
    };
    for (const auto& c : cases) {
        std::string path = write(std::string(testing::kProlog) + testing::kRootStart + c.content +
                                 (c.content.find("open comment") != std::string::npos ? "" : "</database>\n"));
        std::string message = failure(path);
        EXPECT_TRUE(contains(message, "\"" + path + "\"")) << c.content;
        EXPECT_TRUE(contains(message, "not well-formed XML")) << c.content;
        EXPECT_TRUE(contains(message, c.where)) << c.content;
        EXPECT_TRUE(contains(message, c.what)) << c.content;
    }
    EXPECT_TRUE(contains(failure(write(dxl("") + "<junk/>")), "junk after document element"));
}

// Memory use stays bounded whatever the file does with entities.
class BoundedMemory {
public:
    BoundedMemory() {
        getrlimit(RLIMIT_AS, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = 4ull << 30;
        setrlimit(RLIMIT_AS, &limit);
    }
    ~BoundedMemory() { setrlimit(RLIMIT_AS, &saved_); }

private:
    rlimit saved_{};
};

TEST_F(BadBooks, EntityTricksAreRefused) {
    std::string laughs = "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY lol 'lol'>\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        laughs += "'>\n";
    }
    laughs += "]>\n<database xmlns='http://www.lotus.com/dxl'>" +
              person("<item name='FirstName'><text>&lol9;</text></item>") + "</database>\n";

    std::string external = "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY secret SYSTEM 'file:///etc/passwd'>\n]>\n"
                           "<database xmlns='http://www.lotus.com/dxl'>" +
                           person("<item name='FirstName'><text>&secret;</text></item>") + "</database>\n";
    std::string big = "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY big '" + std::string(3 << 20, 'x') +
                      "'>\n]>\n<database xmlns='http://www.lotus.com/dxl'/>\n";
    std::string parameter = "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY % remote SYSTEM 'http://example.invalid/x.dtd'>\n"
                            "%remote;\n]>\n<database xmlns='http://www.lotus.com/dxl'/>\n";

    BoundedMemory bounded;
    EXPECT_TRUE(contains(failure(write(laughs, "laughs.dxl")), "expands to more than 1 MiB"));
    EXPECT_TRUE(contains(failure(write(external, "external.dxl")), "external entity \"secret\""));
    EXPECT_TRUE(contains(failure(write(big, "big.dxl")), "expands to more than 1 MiB"));
    EXPECT_TRUE(contains(failure(write(parameter, "parameter.dxl")), "external entity \"remote\""));
}

// A file's declared size is a hint: files declaring a terabyte each reserve no more than
// the book holds, and keep no room beyond their data (each kept a gigabyte before).
TEST_F(BadBooks, DeclaredSizesReserveNoMoreThanTheDataPresent) {
    std::string files;
    for (int i = 0; i < 8; ++i)
        files += "<item name='$FILE'><object><file name='f" + std::to_string(i) +
                 ".txt' size='1000000000000'><filedata>QUJD</filedata></file></object></item>";
    const std::string path = write(dxl(person(textItem("FirstName", "Ann") + files)));
    BoundedMemory bounded;
    for (const auto& read : {+[](AddressBook& book) { return book.documentAt(1); },
                             +[](AddressBook& book) { return book.firstDocument(); }}) {
        AddressBook book(path);
        const auto doc = read(book);
        ASSERT_TRUE(doc);
        ASSERT_EQ(doc->files().size(), 8u);
        for (const AttachedFile& file : doc->files()) {
            EXPECT_EQ(file.head(3), "ABC");
            EXPECT_EQ(file.declaredSize, 1000000000000u);
            EXPECT_LT(file.base64->capacity(), 4096u);
        }
    }
}

TEST_F(BadBooks, SmallEntitiesStillWork) {
    std::string book = "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY co 'Harbour &amp; Sons'>\n"
                       "<!ENTITY both '&co;, Ltd.'>\n]>\n<database xmlns='http://www.lotus.com/dxl'>" +
                       person("<item name='CompanyName'><text>&both;</text></item>") + "</database>\n";
    AddressBook addressBook(write(book));
    EXPECT_EQ(addressBook.documentAt(1)->itemText("CompanyName"), "Harbour & Sons, Ltd.");
    EXPECT_EQ(addressBook.firstDocument()->itemText("CompanyName"), "Harbour & Sons, Ltd.");
}

TEST_F(BadBooks, OtherEncodingsAreRead) {
    std::string latin = "<?xml version='1.0' encoding='ISO-8859-1'?>\n<database xmlns='http://www.lotus.com/dxl'>" +
                        person(textItem("FirstName", "J\xFCrgen")) + "</database>\n";
    std::string windows = "<?xml version='1.0' encoding='windows-1252'?>\n<database xmlns='http://www.lotus.com/dxl'>" +
                          person(textItem("FirstName", "\x80uro")) + "</database>\n";
    std::u16string wide = u"<?xml version='1.0' encoding='UTF-16'?>\n<database xmlns='http://www.lotus.com/dxl'>"
                          u"<document form='Person'><item name='FirstName'><text>Zo\u00EB</text></item></document></database>";
    std::string utf16("\xFF\xFE", 2);
    for (char16_t c : wide) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    struct Case {
        std::string bytes;
        const char* expected;
    };
    for (const auto& c : {Case{latin, "J\xC3\xBCrgen"}, Case{windows, "\xE2\x82\xACuro"}, Case{utf16, "Zo\xC3\xAB"}}) {
        AddressBook book(write(c.bytes));
        EXPECT_EQ(book.entryCount(), 1);
        EXPECT_EQ(book.firstDocument()->itemText("FirstName"), c.expected);
        EXPECT_EQ(book.documentAt(1)->itemText("FirstName"), c.expected);
    }
}

// Random damage to a good book: every operation either works or throws NotesError.
TEST_F(BadBooks, DamagedBooksNeverCrash) {
    std::string good = dxl("<!-- c --><document form='Person'><noteinfo noteid='1'/>" + textItem("FirstName", "Ann") +
                           "<item name='Comment'><richtext><par>a<break/>b</par></richtext></item></document>"
                           "<![CDATA[ </database> ]]><?pi x?><document form='Group'/>" +
                           person(textItem("LastName", "Lee")));
    std::mt19937 random(7);
    const char alphabet[] = "<>/!?-[]'\"=& \x1A\x00\xC3";
    for (int round = 0; round < 400; ++round) {
        std::string bytes = good;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = random() % bytes.size();
            switch (random() % 3) {
            case 0: bytes[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
            case 1: bytes.erase(at, 1 + random() % 8); break;
            default: bytes.resize(at); break;
            }
            if (bytes.empty()) bytes = "<";
        }
        std::string path = write(bytes);
        try {
            AddressBook book(path);
            book.entryCount();
            for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) displayName(*doc);
            for (int n = 0; n <= 3; ++n) book.documentAt(n);
        } catch (const NotesError& error) {
            EXPECT_TRUE(contains(std::string(error.what()), path));
        }
    }
}

} // namespace
} // namespace brenmoor::notes
