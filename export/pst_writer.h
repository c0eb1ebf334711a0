// The PST export's writer: a store file holding one contact item per contact.
// The store is created in the chosen folder without a name (an UnnamedFile) before the
// book is opened; each contact becomes an item of the store's default contacts folder;
// closing completes the file and gives it its name, after the time of day. It never
// replaces a file: where the name is taken, the next free one is used. A failed write
// (a full disk) ends the export at once with the system's reason.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "contact/contact.h"
#include "contact/group.h"
#include "export/format_writer.h"
#include "export/output_file.h"

namespace brenmoor::pst::messaging {
class MessageStore;
}

namespace brenmoor::exporting {

std::unique_ptr<FormatWriter> makePstWriter();

// "names", the time text and ".pst", with every ":", then every " AM", then every
// " PM" removed ("3:04:05 PM" gives names30405.pst).
std::string pstFileName(const std::string& timeText);

class PstWriter : public FormatWriter {
public:
    // timeText gives the time of day as the locale writes it; by default the
    // current time.
    explicit PstWriter(std::function<std::string()> timeText = {});
    ~PstWriter() override;

    void prepare(const std::string& folder) override;
    // The store takes the book's identity: the same book gives a store of the same UID
    // and items of the same NIDs and search keys in every run.
    void setBookIdentity(const std::string& identity) override;
    void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) override;
    // Puts the store in place as folder/<name>.pst, or where that is taken the first
    // free of <name>_2.pst, <name>_3.pst, ...
    void close() override;
    void abandon() noexcept override;
    bool errorTolerant() const override { return true; }
    // The photo is the item's picture, every other readable file an attachment of the item.
    MediaUse mediaUse() const override { return {.photo = FileUse::Written, .attachments = FileUse::Written}; }
    // The book's address lists become distribution lists, written when the store is closed.
    bool writesGroups() const override { return true; }
    void setGroups(contact::GroupBook& groups) override { groups_ = &groups; }
    // The store's path once closed.
    std::string resultPath() const override { return path_; }

private:
    // The store's file name without ".pst".
    std::string stem() const;
    // Fills one contact item from the document's contact and saves it.
    void addContact(notes::ContactDocument&& doc, std::int64_t runningNumber);

    contact::Contact contact_; // the contact being written; its storage reused
    std::function<std::string()> timeText_;
    std::unique_ptr<pst::messaging::MessageStore> store_;
    std::string folder_;
    std::string fileName_;      // the name it is meant to have
    std::string expectedName_;  // the name it would take now: the first free one
    UnnamedFile file_;
    std::string path_;
    contact::GroupBook* groups_ = nullptr;
    std::unordered_map<std::int64_t, std::uint32_t> listed_; // contacts the lists name: running number -> item
};

} // namespace brenmoor::exporting
