// The writer of the importer formats (vCard 3.0 and 4.0, LDIF, Outlook CSV): one file
// for all contacts, each document read into the contact model and spelled by the format,
// every UID of the file distinct. The formats never read a Notes item themselves, and
// write into the file as they go: a contact's text is never built whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "contact/contact.h"
#include "contact/contact_uid.h"
#include "export/format_writer.h"
#include "export/output_file.h"

namespace brenmoor::exporting {

// What the file wrote for the lists to name: the identity of each contact some list
// names, by its running number (its UID as written, or the dn of its LDIF entry), and
// each list's UID, in the order of GroupBook::lists() (distinct from every contact's).
struct WrittenIdentities {
    std::unordered_map<std::int64_t, std::string> contacts;
    std::vector<std::string> lists;
};

// Where a format's contacts are shared out over several files: at most maxContacts a
// file (0: no limit). The first file has the format's name; the others add "_2", "_3",
// ... before the extension, or every file is numbered from "_1" where numberFirst.
struct FileSplit {
    std::int64_t maxContacts = 0;
    bool numberFirst = false;
};

class ModelFileWriter : public FormatWriter {
public:
    void open(const std::string& folder) override;
    void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) override;
    void close() override;
    void abandon() noexcept override;
    std::string summary() const override;
    void setGroups(contact::GroupBook& groups) override { groups_ = &groups; }
    // The importer formats name every file in the note; a format that holds the photo says so.
    MediaUse mediaUse() const override { return {.photo = FileUse::Named, .attachments = FileUse::Named}; }

protected:
    explicit ModelFileWriter(std::string_view fileName, FileSplit split = {}) : fileName_(fileName), split_(split) {}

    // What the file starts with, before the first contact.
    virtual std::string opening() { return {}; }
    // Writes the contact's text to out, as it goes.
    virtual void spell(const contact::Contact& contact, std::int64_t runningNumber, TextSink& out) = 0;
    // For a format that writesGroups(): the identity spell() just wrote for the contact
    // (its UID where not overridden), and the lists, resolved, after every contact.
    virtual std::string writtenIdentity(const contact::Contact& contact) { return contact.uid; }
    virtual void spellGroups(const contact::GroupBook& groups, const WrittenIdentities& written, TextSink& out) {
        (void)groups, (void)written, (void)out;
    }

private:
    // The name of the file of the given number (from 1).
    std::string partName(std::int64_t part) const;

    std::string fileName_;
    FileSplit split_;
    std::string folder_;
    // The files filled, kept out of place until the run ends well, then put in place
    // in order with the last one.
    std::vector<std::unique_ptr<OutputFile>> parked_;
    std::int64_t inFile_ = 0; // contacts in the file being written
    std::unique_ptr<OutputFile> file_ = std::make_unique<OutputFile>();
    contact::Contact contact_; // reused from one document to the next
    contact::DistinctUids uids_;
    contact::GroupBook* groups_ = nullptr; // the run's, where the format writes lists
    WrittenIdentities written_;
    std::int64_t leftOutCharacters_ = 0;
};

} // namespace brenmoor::exporting
