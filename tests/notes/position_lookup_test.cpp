// The fast position lookup and count against the walk (one full expat pass): the
// same documents at the same positions on generated books full of markup that
// looks like documents, and no different answer on damaged ones.
#include <random>

#include "book_fixture.h"
#include "generated_books.h"
#include "notes/address_book.h"

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
    bool failed = false;
};

Walk walk(const std::string& path) {
    Walk result;
    try {
        AddressBook book(path);
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) result.documents.push_back(*doc);
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
        // A prefixed root with prefixed documents.
        "<dxl:database xmlns:dxl='http://www.lotus.com/dxl'><dxl:document form='Person'><dxl:item name='FirstName'>"
        "<dxl:text>Prefixed</dxl:text></dxl:item></dxl:document><document form='Person'/></dxl:database>",
    };
    for (const auto& bytes : uncertain) expectSameAsWalk(bytes);
    AddressBook entity(write(uncertain[2]));
    EXPECT_EQ(entity.documentAt(1)->itemText("FirstName"), "From entity");
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
