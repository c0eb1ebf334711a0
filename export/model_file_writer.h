// The writer of the importer formats (vCard 3.0 and 4.0, LDIF, Outlook CSV): one file
// for all contacts, each document read into the contact model and spelled by the format,
// every UID of the file distinct. The formats never read a Notes item themselves, and
// write into the file as they go: a contact's text is never built whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "contact/contact.h"
#include "contact/contact_uid.h"
#include "export/format_writer.h"
#include "export/output_file.h"
#include "export/split_output.h"

namespace brenmoor::exporting {

// What the file wrote for the lists to name: the identity of each contact some list
// names, by its running number (its UID as written, or the dn of its LDIF entry), and
// each list's UID, in the order of GroupBook::lists() (distinct from every contact's).
struct WrittenIdentities {
    std::unordered_map<std::int64_t, std::string> contacts;
    std::vector<std::string> lists;
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
    explicit ModelFileWriter(std::string_view fileName, FileSplit split = {}) : files_(fileName, split) {}
    // For a format that may be split: takes the split, every file numbered from "_1".
    bool takeSplit(const FileSplit& split) {
        files_.setSplit({split.maxContacts, split.maxBytes, split.perContact, true});
        return true;
    }

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
    SplitOutput files_;
    StringSink text_; // a contact's text, where its size decides its file
    contact::Contact contact_; // reused from one document to the next
    contact::DistinctUids uids_;
    contact::GroupBook* groups_ = nullptr; // the run's, where the format writes lists
    WrittenIdentities written_;
    std::int64_t leftOutCharacters_ = 0;
};

} // namespace brenmoor::exporting
