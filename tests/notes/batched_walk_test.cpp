// The batched walk against one expat pass over the whole book: the same documents at
// the same offsets in the same order, and on a damaged book the same documents before
// the same fault, whether the runs are cut by a guess, by the scan, or not at all.
#include <random>

#include "book_fixture.h"
#include "generated_books.h"
#include "notes/batched_walk.h"
#include "notes/book_file.h"
#include "notes/dxl_parser.h"

namespace brenmoor::notes {
namespace {

using testing::damaged;
using testing::randomBook;
using testing::same;

struct Outcome {
    std::vector<ContactDocument> documents;
    std::vector<std::uint64_t> offsets;
    std::string fault;
    OtherDocuments others;
};

template <typename Walk>
Outcome run(Walk& walk) {
    Outcome outcome;
    try {
        while (auto doc = walk.next()) {
            outcome.documents.push_back(std::move(doc->document));
            outcome.offsets.push_back(doc->offset);
        }
        outcome.others = walk.others();
    } catch (const NotesError& error) {
        outcome.fault = error.what();
    }
    return outcome;
}

class Batches : public testing::BookFiles {
protected:
    // Walks the book in runs of every size from one document up and compares each with one pass.
    void expectSameAsOnePass(const std::string& bytes) {
        std::string path = write(bytes);
        std::unique_ptr<BookFile> file;
        std::optional<BookOpening> opening;
        try {
            file = std::make_unique<BookFile>(path);
            opening = probeBook(*file);
        } catch (const NotesError&) {
            return; // damage before the root: nothing to walk
        }
        const ItemNames every;
        DocumentStream stream(*file, every);
        Outcome reference = run(stream);
        for (std::uint64_t batchBytes : {std::uint64_t{1}, std::uint64_t{300}, std::uint64_t{1} << 20}) {
            for (std::size_t inFlight : {1u, 3u}) {
                BatchedWalk walk(*file, *opening, every, batchBytes, inFlight);
                Outcome outcome = run(walk);
                ASSERT_EQ(outcome.documents.size(), reference.documents.size()) << bytes;
                for (std::size_t i = 0; i < outcome.documents.size(); ++i)
                    EXPECT_TRUE(same(outcome.documents[i], reference.documents[i])) << "document " << i + 1 << " of\n" << bytes;
                EXPECT_EQ(outcome.offsets, reference.offsets) << bytes;
                EXPECT_EQ(outcome.fault, reference.fault) << bytes;
                EXPECT_EQ(outcome.others.conflicts, reference.others.conflicts) << bytes;
                EXPECT_EQ(outcome.others.forms, reference.others.forms) << bytes;
            }
        }
    }
};

TEST_F(Batches, GiveWhatOnePassGivesOnGeneratedBooks) {
    std::mt19937 random(5);
    for (int round = 0; round < 100; ++round) expectSameAsOnePass(randomBook(random));
}

TEST_F(Batches, GiveWhatOnePassGivesOnDamagedBooks) {
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) expectSameAsOnePass(damaged(randomBook(random), random));
}

TEST_F(Batches, GiveWhatOnePassGivesOnBooksWithDeclarations) {
    std::mt19937 random(13);
    for (int round = 0; round < 100; ++round) expectSameAsOnePass(randomBook(random, true));
}

// Documents the scan cannot judge by their bytes stop it from cutting where a guessed
// cut failed (here on an end tag in a comment): the rest of the book is walked in one
// stream.
TEST_F(Batches, GiveWhatOnePassGivesWhereTheScanCannotCut) {
    std::string before, after;
    for (int i = 0; i < 20; ++i) {
        before += testing::person(testing::textItem("FirstName", "before " + std::to_string(i)));
        after += testing::person(testing::textItem("FirstName", "after " + std::to_string(i)));
    }
    for (const char* undecided : {"<document xmlns='urn:other' form='Person'/>",
                                  "<document form='&#80;erson'><item name='FirstName'><text>ref</text></item></document>",
                                  "<x:document xmlns:x='http://www.lotus.com/dxl' form='Person'/>"})
        expectSameAsOnePass(testing::dxl(before + "<!-- </document> -->" + undecided + "<!-- </document> -->" + after +
                                         "<document form='Person' bad='></document>"));
}

TEST_F(Batches, StopEarlyWithoutHarm) {
    std::string content;
    for (int i = 0; i < 200; ++i) content += testing::person(testing::textItem("FirstName", std::to_string(i)));
    std::string path = write(testing::dxl(content));
    AddressBook book(path);
    auto first = book.firstDocument();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->itemText("FirstName"), "0");
    // Walking again starts over; leaving the book mid-walk ends the parses in flight.
    EXPECT_EQ(book.firstDocument()->itemText("FirstName"), "0");
    EXPECT_EQ(book.nextDocument()->itemText("FirstName"), "1");
}

} // namespace
} // namespace brenmoor::notes
