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

struct BatchRequest {
    std::vector<const exporting::OutputFormat*> formats;
    std::vector<std::string> books;
    std::string folder;
    unsigned jobs = 1;
    std::string reportJson; // where to write the report as JSON too; "" for nowhere
    bool skipDone = false;  // leave out what the folder's report says is done
    const ContactSelection* selection = nullptr; // the contacts picked in each book
};

// The book paths of a list file (one a line; "-" for standard input). Blank lines are
// passed over; throws std::runtime_error naming the file where it cannot be read.
std::vector<std::string> readBookList(const std::string& list);

// Runs the batch; returns the worst exit status of all books (1, then 3, then 0).
int runBatch(const BatchRequest& request, std::ostream& out, std::ostream& err);

} // namespace brenmoor::cli
