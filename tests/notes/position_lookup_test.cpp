// The fast position lookup and count against the walk (one full expat pass): the
// same documents at the same positions on generated books full of markup that
// looks like documents or declarations that change what the bytes mean, the same
// through the places the walk remembers, and no different answer on damaged books.
#include <random>

#include "book_fixture.h"
#include "generated_books.h"
#include "notes/address_book.h"
#include "notes/book_file.h"
#include "notes/document_scanner.h"
#include "notes/dxl_parser.h"

namespace brenmoor::notes {
namespace {

using testing::dxl;
using testing::person;
using testing::damaged;
using testing::randomBook;
using testing::same;
using testing::textItem;

struct Walk {
    std::vector<ContactDocument> documents;
    std::vector<std::optional<DocumentPlace>> places;
    bool failed = false;
};

Walk walk(const std::string& path) {
    Walk result;
    try {
        AddressBook book(path);
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
            result.documents.push_back(*doc);
            result.places.push_back(book.place());
        }
    } catch (const NotesError&) {
        result.failed = true;
    }
    return result;
}

class PositionLookup : public testing::BookFiles {
protected:
    // The lookup and the count give what the walk gives, for a book the walk reads without fault.
    void expectSameAsWalk(const std::string& bytes) {
        std::string path = write(bytes);
        Walk reference = walk(path);
        ASSERT_FALSE(reference.failed) << bytes;
        AddressBook book(path);
        EXPECT_EQ(book.entryCount(), static_cast<std::int64_t>(reference.documents.size())) << bytes;
        for (std::size_t n = 1; n <= reference.documents.size(); ++n) {
            auto doc = AddressBook(path).documentAt(static_cast<std::int64_t>(n));
            ASSERT_TRUE(doc) << "position " << n << " of\n" << bytes;
            EXPECT_TRUE(same(*doc, reference.documents[n - 1])) << "position " << n << " of\n" << bytes;
            if (auto place = reference.places[n - 1]) {
                auto placed = AddressBook(path).documentAt(static_cast<std::int64_t>(n), *place);
                ASSERT_TRUE(placed) << "place of " << n << " of\n" << bytes;
                EXPECT_TRUE(same(*placed, reference.documents[n - 1])) << "place of " << n << " of\n" << bytes;
            }
        }
        EXPECT_EQ(book.documentAt(static_cast<std::int64_t>(reference.documents.size()) + 1), std::nullopt);
        EXPECT_EQ(book.documentAt(0), std::nullopt);
        EXPECT_EQ(book.documentAt(-1), std::nullopt);
    }
};

TEST_F(PositionLookup, EqualsTheWalkOnGeneratedBooks) {
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) expectSameAsWalk(randomBook(random));
}

TEST_F(PositionLookup, EqualsTheWalkOnBooksWithDeclarations) {
    std::mt19937 random(31);
    for (int round = 0; round < 200; ++round) expectSameAsWalk(randomBook(random, true));
}

TEST_F(PositionLookup, EqualsTheWalkWhereTheScanCannotDecide) {
    const std::string uncertain[] = {
        // A document that declares the namespace itself, or spells its form with a reference.
        dxl(person(textItem("FirstName", "A")) + "<document xmlns='urn:other' form='Person'/>" +
            "<x:document xmlns:x='http://www.lotus.com/dxl' form='Person'>" + textItem("FirstName", "B") + "</x:document>" +
            person(textItem("FirstName", "C"))),
        dxl(person(textItem("FirstName", "A")) + "<document form='&#80;erson'>" + textItem("FirstName", "B") + "</document>"),
        // Documents that come out of an entity, or a form that comes from the DOCTYPE.
        "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ENTITY doc \"<document form='Person'><item name='FirstName'>"
        "<text>From entity</text></item></document>\">\n]>\n<database xmlns='http://www.lotus.com/dxl'>&doc;" +
            person(textItem("FirstName", "After")) + "</database>\n",
        "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ATTLIST document form CDATA 'Person'>\n]>\n"
        "<database xmlns='http://www.lotus.com/dxl'><document>" + textItem("FirstName", "Defaulted") + "</document></database>\n",
        // An attribute type that has expat trim the form's spaces, and an enumeration.
        "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ATTLIST document form NMTOKEN #IMPLIED>\n]>\n"
        "<database xmlns='http://www.lotus.com/dxl'><document form=' Person '>" + textItem("FirstName", "Spaced") +
            "</document>" + person(textItem("FirstName", "Plain")) + "</database>\n",
        "<?xml version='1.0'?>\n<!DOCTYPE database [\n<!ATTLIST document form (Person|Group) #IMPLIED>\n]>\n"
        "<database xmlns='http://www.lotus.com/dxl'>" + person(textItem("FirstName", "Plain")) +
            "<document form='\nPerson '>" + textItem("FirstName", "Spaced") + "</document></database>\n",
        // A prefixed root with prefixed documents.
        "<dxl:database xmlns:dxl='http://www.lotus.com/dxl'><dxl:document form='Person'><dxl:item name='FirstName'>"
        "<dxl:text>Prefixed</dxl:text></dxl:item></dxl:document><document form='Person'/></dxl:database>",
    };
    for (const auto& bytes : uncertain) expectSameAsWalk(bytes);
    AddressBook entity(write(uncertain[2]));
    EXPECT_EQ(entity.documentAt(1)->itemText("FirstName"), "From entity");
    AddressBook spaced(write(uncertain[4]));
    EXPECT_EQ(spaced.entryCount(), 2);
    EXPECT_EQ(spaced.documentAt(1)->itemText("FirstName"), "Spaced");
    EXPECT_EQ(spaced.documentAt(2)->itemText("FirstName"), "Plain");
}

// The scan reads the book through a window that slides and grows: whatever size it
// starts at, it finds the same documents and the same faults at the same places.
TEST_F(PositionLookup, TheScanFindsTheSameWhateverItsWindow) {
    struct Trace {
        std::vector<std::uint64_t> spans;
        DocumentScanner::Step last{};
        std::uint64_t errorOffset = 0;
        std::string errorText;
        bool operator==(const Trace&) const = default;
    };
    auto trace = [](const BookFile& file, const BookOpening& opening, std::size_t window) {
        DocumentScanner scanner(file, opening.rootTagEnd, opening.rootQName, window);
        Trace result;
        while ((result.last = scanner.next(true)) == DocumentScanner::Step::Found) {
            result.spans.push_back(scanner.found().start);
            result.spans.push_back(scanner.found().end);
        }
        result.errorOffset = scanner.errorOffset();
        result.errorText = scanner.errorText();
        return result;
    };
    std::mt19937 random(41);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = randomBook(random, round % 2 == 0);
        if (round % 3 == 0) bytes = damaged(bytes, random);
        BookFile file(write(bytes));
        BookOpening opening;
        try {
            opening = probeBook(file);
        } catch (const NotesError&) {
            continue; // damaged before the root's content
        }
        Trace whole = trace(file, opening, bytes.size());
        for (std::size_t window : {1, 2, 3, 7, 64})
            EXPECT_TRUE(trace(file, opening, window) == whole) << "window " << window << " on\n" << bytes;
    }
}

// Damage never makes the lookup give another document than the walk gives at that
// position; a lookup may still succeed where the walk fails later in the book.
TEST_F(PositionLookup, GivesNoOtherDocumentThanTheWalkOnDamagedBooks) {
    std::mt19937 random(23);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = damaged(randomBook(random), random);
        std::string path = write(bytes);
        Walk reference = walk(path);
        if (!reference.failed) {
            expectSameAsWalk(bytes);
            continue;
        }
        for (std::size_t n = 1; n <= reference.documents.size() + 1; ++n) {
            try {
                auto doc = AddressBook(path).documentAt(static_cast<std::int64_t>(n));
                if (doc && n <= reference.documents.size()) {
                    EXPECT_TRUE(same(*doc, reference.documents[n - 1])) << "position " << n << " of\n" << bytes;
                }
            } catch (const NotesError&) {
            }
        }
    }
}

} // namespace
} // namespace brenmoor::notes
