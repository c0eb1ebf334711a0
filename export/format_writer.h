// One output format: its steps inside the export run. The run owns the walk over the
// address book; a writer only writes, each of its files whole or not at all.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>

#include "contact/group.h"
#include "export/existing_files.h"
#include "notes/address_book.h"

namespace brenmoor::exporting {

// A set of catalogue items.
using ItemSet = std::bitset<notes::kContactItemCount>;

// The items of a table of the format (rows with an item member).
template <typename Table>
ItemSet itemsOf(const Table& table) {
    ItemSet items;
    for (const auto& row : table) items.set(static_cast<std::size_t>(row.item));
    return items;
}

// What a format makes of the contacts' photos and their other attached files: nothing,
// a line of the note naming each, or the file itself. jpegPhotoOnly: a photo of another
// image type is only named.
enum class FileUse : std::uint8_t { Dropped, Named, Written };
struct MediaUse {
    FileUse photo = FileUse::Dropped;
    FileUse attachments = FileUse::Dropped;
    bool jpegPhotoOnly = false;
};

// How a format's contacts are shared out over files (split_output.h): at most maxContacts
// or maxBytes a file (0: no limit), or a file per contact. Where split, the first file
// has the format's name and the later ones add "_2", "_3", ... before the extension, or
// every file is numbered from "_1" where numberFirst.
struct FileSplit {
    std::int64_t maxContacts = 0;
    std::uint64_t maxBytes = 0;
    bool perContact = false;
    bool numberFirst = false;
    bool any() const { return maxContacts > 0 || maxBytes > 0 || perContact; }
};

class FormatWriter {
public:
    virtual ~FormatWriter() = default;

    // After the folder is chosen, before the address book is opened (the PST store is
    // created here).
    virtual void prepare(const std::string& folder) { (void)folder; }
    // The opening step: after the book is opened and its first document fetched,
    // before the entry count is read.
    virtual void open(const std::string& folder) { (void)folder; }
    // Who the book is (bookIdentity in export_run.h), for a format whose output keeps a
    // lasting identity, the same in every run over the book (the PST store's). After
    // open(), before the first contact.
    virtual void setBookIdentity(const std::string& identity) { (void)identity; }
    // The contact step, once per contact with its 1-based running number. The document
    // is handed over: the run drops it after the step, so a writer may move values out.
    virtual void writeContact(notes::ContactDocument&& doc, std::int64_t runningNumber) = 0;
    // Completes the outputs and puts them in place. Called once the walk has ended well.
    virtual void close() {}
    // Drops every output not yet put in place, leaving what was at its name as it was.
    // Called instead of close() when the run fails; a writer whose files are OutputFile
    // members needs nothing here, as they drop themselves when the writer goes.
    virtual void abandon() noexcept {}

    // True where the format holds mailing lists. The run then hands the writer the book's
    // groups before the walk (setGroups; for a selection of contacts the lists that hold
    // one): the writer shows them each contact it writes and writes the lists after the
    // contacts, before close puts its files in place (contact/group.h says how). The run
    // keeps the groups until the writer is closed or abandoned. After close, the names of
    // the lists the format could not write (an LDIF list needs a member).
    virtual bool writesGroups() const { return false; }
    virtual void setGroups(contact::GroupBook& groups) { (void)groups; }
    virtual const std::vector<std::string>& listsWithoutMembers() const {
        static const std::vector<std::string> none;
        return none;
    }

    // Where the format writes a file per contact: asked for a file (its path) that is
    // there already, before it is written over.
    using ExistingFileAnswer = std::function<ExistingFiles(const std::string& path)>;
    virtual void setExistingFileAnswer(ExistingFileAnswer answer) { (void)answer; }

    // Shares the contacts out over files as split says, before open(); false where the
    // format is always one file (or its own files).
    virtual bool setSplit(const FileSplit& split) { (void)split; return false; }

    // True where failures after prepare() skip the failing contact and the run goes on
    // (the PST export); false where any failure ends the run.
    virtual bool errorTolerant() const { return false; }
    // Sentences for the completion message on what the run changed on the way (characters
    // left out of values); "" where nothing.
    virtual std::string summary() const { return {}; }
    // The catalogue items whose values the format writes; nothing where it has a place
    // for every user item (the importer formats write what has no field of its own
    // into the note). The run's summary names the items of a contact outside the set.
    virtual const ItemSet* carriedItems() const { return nullptr; }
    // What the format makes of photos and attached files, for the run's summary.
    virtual MediaUse mediaUse() const { return {}; }
    // A line for the command line to print before the completion (the PST store's path).
    virtual std::string resultPath() const { return {}; }
};

} // namespace brenmoor::exporting
