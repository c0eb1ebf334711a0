// The batch report: a row per book and format saying what the book held, what was
// written and how it ended. Written as CSV (RFC 4180, a header line) and as JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brenmoor::cli {

inline constexpr const char* kReportName = "brenmoor-report.csv";

struct ReportRow {
    std::string book;      // the path as given
    std::int64_t size = -1;
    std::string sha256;
    std::string format;    // the command line's word
    std::string selection; // the contacts picked ("all", or as --only and --category say)
    std::string folder;    // the book's subfolder
    std::int64_t contactsFound = -1;   // -1: not known (the book could not be read)
    std::int64_t contactsWritten = -1;
    std::int64_t contactsNotWritten = -1;
    std::string documentsSkipped;  // documents of the book that are no contacts, by kind
    std::string valuesNotCarried;  // items the format had no place for, with their contacts
    std::string outputs;   // "name (size bytes); ..." or a count where there are many
    std::string status;    // done, skipped-contacts, failed
    std::string message;
    double seconds = 0;
    // The book's line of a mapping file (export --from), carried to the row.
    std::string mailbox;
    std::string user;
    std::string displayName;
    std::string carddavUrl;
    bool earlierRun = false; // taken over from the report of an earlier run (not written)

    // The exit status the row stands for.
    int exitStatus() const;
    // True where the row says the book was converted in its format.
    bool converted() const;
};

inline constexpr const char* kStatusDone = "done";
inline constexpr const char* kStatusSkippedContacts = "skipped-contacts";
inline constexpr const char* kStatusSkippedFiles = "skipped-files"; // attached files not all written
inline constexpr const char* kStatusFailed = "failed";

std::string reportHeader();
// text as a CSV cell of a report: after an apostrophe where it begins with = + - or @
// (or with the apostrophe itself), so that a spreadsheet shows it as text rather than
// running it as a formula. Reading a report takes the apostrophe off again.
std::string spreadsheetSafe(std::string text);
// The row as a line of the CSV, its texts spreadsheetSafe.
std::string reportCsvLine(const ReportRow& row);
// The records of CSV text (RFC 4180), each a list of its fields; a last line without its
// line end is one only where lastWithoutLineEnd.
std::vector<std::vector<std::string>> csvRecords(std::string_view text, bool lastWithoutLineEnd);
// The rows of a report's CSV text; rows that do not read right are passed over.
std::vector<ReportRow> parseReport(const std::string& text);
std::string reportJson(const std::vector<ReportRow>& rows);

} // namespace brenmoor::cli
