// Many books in one export run: each book into a subfolder of its own, several books at
// once, and a report of every book and format (FOLDER/brenmoor-report.csv) that says what
// each book held and what was written, by which a later run leaves out what is done.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/contact_selection.h"
#include "export/output_format.h"

namespace brenmoor::cli {

// A book of the batch, with what its line of a mapping file says of it ("" where nothing).
struct BatchBook {
    BatchBook() = default;
    explicit BatchBook(std::string bookPath) : path(std::move(bookPath)) {}

    std::string path;
    std::string mailbox;
    std::string user;
    std::string displayName;
    std::string output; // the book's subfolder, where the mapping names it
    std::string carddavUrl;
};

// The share of a list a process takes: the books at index, index + count, ... of it.
struct Shard {
    unsigned index = 0; // from 0
    unsigned count = 1;
    bool whole() const { return count == 1; }
    // "shard-2-of-4" (the index counted from 1), for the names of a shard's files.
    std::string tag() const;
};

struct BatchRequest {
    std::vector<const exporting::OutputFormat*> formats;
    std::vector<BatchBook> books; // this run's books (of its shard)
    std::string folder;
    unsigned jobs = 1;
    std::string reportJson; // where to write the report as JSON too; "" for nowhere
    bool skipDone = false;  // leave out what the folder's report says is done
    const ContactSelection* selection = nullptr; // the contacts picked in each book
    Shard shard;
    std::string m365Mapping; // where to write the Microsoft 365 import mapping; "" for nowhere
    std::string m365Target;  // its TargetRootFolder
    std::string duplicatesReport; // where to list contacts found in several books; "" for nowhere
};

// The books of a list file ("-" for standard input): a path a line (blank lines passed
// over), or a CSV file whose header names the column "book" and any of "mailbox",
// "user", "display_name", "output" and "carddav_url". Throws std::runtime_error naming
// the file where it cannot be read or a column is not known.
std::vector<BatchBook> readBookList(const std::string& list);

// The name of a report (or another file of the run) for a shard: "brenmoor-report.csv"
// becomes "brenmoor-report-shard-2-of-4.csv"; the name itself for the whole list.
std::string shardFileName(const std::string& name, const Shard& shard);

// The subfolder a book's files go to, its own in every run and whatever the list: the
// mapping's "output" where given, else the book's file name without its extension, a
// dash and 12 hex digits of the SHA-256 of its absolute path ("names-3fa9c01b22e4").
std::string bookFolderName(const BatchBook& book);

// Leaves out the books that stand in the list again (by absolute path), saying so on err:
// a book is converted once, into its one folder.
void dropRepeatedBooks(std::vector<BatchBook>& books, std::ostream& err);

// Runs the batch; returns the worst exit status of all books (1, then 3, then 0).
int runBatch(const BatchRequest& request, std::ostream& out, std::ostream& err);

} // namespace brenmoor::cli
