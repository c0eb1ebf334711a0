// A book that changes while it is read: cut short, grown or rewritten under an open
// AddressBook. Every operation then fails with one clear NotesError; none crashes or
// hands out a document made of old and new bytes.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "book_fixture.h"
#include "notes/address_book.h"

namespace brenmoor::notes {
namespace {

using testing::dxl;
using testing::person;
using testing::textItem;

// Many contacts: several runs of the batched walk and several windows of the scan.
std::string bigBook() {
    std::string content;
    for (int i = 0; i < 30000; ++i)
        content += person(textItem("FirstName", "Contact " + std::to_string(i)) +
                          textItem("Comment", std::string(600, 'x')));
    return dxl(content);
}

bool saysChanged(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const NotesError& error) {
        std::string message = error.what();
        return message.find("changed while it was read") != std::string::npos;
    }
    return false;
}

class ChangingBook : public testing::BookFiles {
protected:
    void SetUp() override { path_ = write(bigBook()); }
    void cutTo(std::uintmax_t size) { std::filesystem::resize_file(path_, size); }
    void append(const std::string& bytes) { std::ofstream(path_, std::ios::app | std::ios::binary) << bytes; }
    std::string path_;
};

TEST_F(ChangingBook, CutShortWhileWalked) {
    AddressBook book(path_);
    ASSERT_TRUE(book.firstDocument());
    cutTo(100000);
    EXPECT_TRUE(saysChanged([&] {
        while (book.nextDocument()) {
        }
    }));
}

TEST_F(ChangingBook, CutShortBeforeCountedOrLookedUp) {
    AddressBook counted(path_);
    AddressBook lookedUp(path_);
    cutTo(100000);
    EXPECT_TRUE(saysChanged([&] { counted.entryCount(); }));
    EXPECT_TRUE(saysChanged([&] { lookedUp.documentAt(29000); }));
}

TEST_F(ChangingBook, GrownOrTouchedWhileWalked) {
    AddressBook grown(path_);
    ASSERT_TRUE(grown.firstDocument());
    append("<!-- more -->\n");
    EXPECT_TRUE(saysChanged([&] {
        while (grown.nextDocument()) {
        }
    }));

    // Same size, other bytes: seen by the time of the last change.
    AddressBook rewritten(path_);
    ASSERT_TRUE(rewritten.firstDocument());
    auto size = std::filesystem::file_size(path_);
    std::filesystem::last_write_time(path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(5));
    ASSERT_EQ(std::filesystem::file_size(path_), size);
    EXPECT_TRUE(saysChanged([&] {
        while (rewritten.nextDocument()) {
        }
    }));
    EXPECT_TRUE(saysChanged([&] { rewritten.entryCount(); }));
}

// A click goes straight to the remembered place only while the book is the one the
// walk read; otherwise it finds the contact by its position in the book as it is.
TEST_F(ChangingBook, RememberedPlacesHoldOnlyForTheBookAsItWas) {
    // Rewritten to the same size, with the third document where the second was.
    const std::string ann = person(textItem("FirstName", "Ann") + textItem("Comment", std::string(200, 'a')));
    const std::string sue = person(textItem("FirstName", "Sue"));
    const std::string tomBare = person(textItem("FirstName", "Tom") + textItem("Comment", ""));
    const std::string tom = person(textItem("FirstName", "Tom") +
                                   textItem("Comment", std::string(ann.size() - sue.size() - tomBare.size(), 't')));
    const std::string before = dxl(ann + person(textItem("FirstName", "Bea")));
    const std::string after = dxl(sue + tom + person(textItem("FirstName", "Una")));
    ASSERT_EQ(before.size(), after.size());

    std::string path = write(before, "two.dxl");
    std::optional<DocumentPlace> second;
    {
        AddressBook book(path);
        book.firstDocument();
        book.nextDocument();
        second = book.place();
    }
    ASSERT_TRUE(second);
    EXPECT_EQ(AddressBook(path).documentAt(2, *second)->itemText("FirstName"), "Bea");

    write(after, "two.dxl");
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_EQ(AddressBook(path).documentAt(2, *second)->itemText("FirstName"), "Tom");

    // A place where no document starts falls back to the position too.
    AddressBook book(path);
    book.firstDocument();
    DocumentPlace inside = *book.place();
    inside.offset += 1;
    EXPECT_EQ(book.documentAt(2, inside)->itemText("FirstName"), "Tom");
    EXPECT_EQ(book.documentAt(4, inside), std::nullopt);
}

} // namespace
} // namespace brenmoor::notes
