// The summary of an export run: what it wrote and what it did not. The contacts and
// files written, the book's documents that are no contacts, and the values of items
// that no field of the format took or that could not be read, each with the number
// of contacts that hold one. The window offers it as the completion's details, the
// command line prints it, the batch report keeps it in its columns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "export/format_writer.h"
#include "notes/address_book.h"

namespace brenmoor::exporting {

// Items by name (as first spelt; counted without regard to case), each with the number
// of contacts holding it, in the order first met.
using ItemCounts = std::vector<std::pair<std::string, std::int64_t>>;

struct RunSummary {
    std::string folder;
    std::int64_t contactsWritten = 0; // contacts whose output is in place
    std::int64_t contactsSkipped = 0; // contacts that could not be written or read
    std::int64_t fileCount = 0;       // files put in place
    std::vector<std::string> firstFiles; // names of the first few of them
    std::string account;              // why contacts were skipped; empty when none were
    bool wholeBook = false;           // every document of the book was walked
    notes::OtherDocuments otherDocuments; // where wholeBook: the documents that are no contacts
    // Where the format holds mailing lists and wholeBook: the lists written, and the
    // groups that are no address lists (access control, deny and server lists), each with
    // its name and type. Neither is then among otherDocuments.
    bool groupsWritten = false;
    // For a selection too: the lists written, those left out for holding no contact
    // picked, and the member names that found more than one contact ("Jane Doe: 2
    // contacts of that name; the first was taken").
    std::int64_t lists = 0;
    std::int64_t listsLeftOut = 0;
    std::vector<std::string> listsWithoutMembers; // not written where a list needs a member
    std::vector<std::string> ambiguousMembers;
    std::vector<std::pair<std::string, std::string>> notLists;
    ItemCounts notCarried;            // user items with values the format has no place for
    ItemCounts unreadable;            // user items whose value the book holds only as raw data
    // The contacts' photos and other attached files, by what the format made of them
    // (FileUse), and those the book holds compressed or damaged: their number and the
    // first few names ("minutes.doc (Lee Marsh)").
    std::array<std::int64_t, 3> photos{};
    std::array<std::int64_t, 3> attachments{};
    struct FilesLeftOut {
        std::int64_t count = 0;
        std::vector<std::string> names; // the first few
    };
    FilesLeftOut compressed;
    FilesLeftOut damaged;
    FilesLeftOut idFiles; // Notes ID files, left out as they hold private keys
    FilesLeftOut bitmaps; // pictures in Notes' own bitmap format
};

// Whether some attached files could not be written, as the book holds them compressed
// or damaged: the export is then not complete (the command line's status 3).
inline bool someFilesNotWritten(const RunSummary& summary) {
    return summary.compressed.count + summary.damaged.count > 0;
}

// "1 contact", "25 contacts", in the installed translation's language.
std::string contactsText(std::int64_t n);

// "2 conflicts, 1 Group document, 3 Location documents": the documents that are no
// contacts, by kind, counted in words of one or of many.
std::string otherDocumentsCountText(const notes::OtherDocuments& others);
// "InternetAddress (4 contacts), HomeEmail (1 contact)".
std::string itemCountsText(const ItemCounts& counts);
// The lines of the summary, each ending in a line break: the contacts written and not
// written, then notWrittenText.
std::string summaryText(const RunSummary& summary);
// Its lines on what the book held that the run did not write: documents that are no
// contacts, values that could not be read, values the format has no place for.
std::string notWrittenText(const RunSummary& summary);

// Counts, contact by contact, the user items (neither Notes' bookkeeping nor secrets)
// whose values the format has no place for, and those that could not be read, and the
// photos and attached files by what the format makes of them. Each contact is looked
// at before its step (the step may take its values), and counted once the step has
// written it.
class ItemTally {
public:
    explicit ItemTally(const ItemSet* carried, MediaUse media = {}) : carried_(carried), media_(media) {}
    void look(const notes::ContactDocument& doc);
    void written();
    const ItemCounts& notCarried() const { return notCarried_.counts; }
    const ItemCounts& unreadable() const { return unreadable_.counts; }
    // Puts the counts of photos and files into summary.
    void countFiles(RunSummary& summary) const;

private:
    struct Counter {
        ItemCounts counts;
        std::unordered_map<std::string, std::size_t> index; // lower-case name -> place in counts
        std::vector<std::string> pending;                   // names of the contact looked at
        std::size_t indexOf(const std::string& name);       // adding the name where new
    };
    const ItemSet* carried_;
    std::vector<char> carriedAt_; // per position of the contact's items: a field takes it
    Counter notCarried_;
    Counter unreadable_;

    void lookAtFiles(const notes::ContactDocument& doc);
    // The files of the contact looked at (pending), and of those written.
    MediaUse media_;
    RunSummary pendingFiles_;
    RunSummary files_;
};

} // namespace brenmoor::exporting
