// `brenmoor-convert report merge [--from LIST] REPORT...`: the reports of a batch's
// shards joined into one on standard output. Where the list is given, the rows follow
// its order, and a book of it that no report holds gets a failed row saying so; the
// exit status is the worst of all rows.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "cli/batch_export.h"
#include "cli/batch_report.h"
#include "cli/commands.h"

namespace brenmoor::cli {

namespace {

constexpr Option kOptions[] = {
    {"--from", "", "LIST", "the batch's list of books (or mapping): rows in its order, and a failed row for each "
                           "book no report holds"},
    kHelpOption,
};

std::string readReport(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    const bool regular = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const std::string why = fd < 0 ? std::strerror(errno) : "it is not a regular file";
    if (fd >= 0) ::close(fd);
    if (!regular) throw std::runtime_error("Could not read the report \"" + path + "\": " + why + ".");
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

std::span<const Option> reportOptions() { return kOptions; }

int runReport(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    const Arguments& operands = args.operands;
    if (operands.empty() || operands[0] != "merge") throw UsageError("report needs the word merge");
    if (operands.size() < 2) throw UsageError("report merge needs a REPORT");

    // The rows of every report; of a book, format and pick the last one tells.
    using Key = std::tuple<std::string, std::string, std::string>;
    std::vector<ReportRow> rows;
    std::map<Key, std::size_t> at;
    std::vector<BatchBook> list;
    bool missingReport = false;
    try {
        for (auto report = operands.begin() + 1; report != operands.end(); ++report) {
            struct stat info {};
            if (::stat(report->c_str(), &info) != 0 && errno == ENOENT) { // a shard that never started
                err << "brenmoor-convert: the report \"" << *report << "\" is missing.\n";
                missingReport = true;
                continue;
            }
            for (ReportRow& row : parseReport(readReport(*report))) {
                const Key key{row.book, row.format, row.selection};
                if (auto found = at.find(key); found != at.end()) rows[found->second] = std::move(row);
                else {
                    at[key] = rows.size();
                    rows.push_back(std::move(row));
                }
            }
        }
        if (args.has("--from")) list = readBookList(args.value("--from"));
    } catch (const std::exception& e) {
        err << "brenmoor-convert: " << e.what() << "\n";
        return kFailed;
    }

    std::vector<ReportRow> merged;
    if (!args.has("--from")) {
        merged = std::move(rows);
    } else {
        std::map<std::string, std::vector<std::size_t>> byBook;
        std::vector<std::string> formats;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            byBook[rows[r].book].push_back(r);
            if (std::find(formats.begin(), formats.end(), rows[r].format) == formats.end())
                formats.push_back(rows[r].format);
        }
        if (formats.empty()) formats.emplace_back();
        std::vector<bool> placed(rows.size());
        for (const BatchBook& book : list) {
            auto found = byBook.find(book.path);
            if (found != byBook.end()) {
                for (std::size_t r : found->second)
                    if (!placed[r]) {
                        merged.push_back(rows[r]);
                        placed[r] = true;
                    }
                continue;
            }
            err << "brenmoor-convert: " << book.path << ": no report holds this book.\n";
            for (const std::string& format : formats) {
                ReportRow row;
                row.book = book.path;
                row.format = format;
                row.selection = rows.empty() ? "all" : rows.front().selection;
                row.folder = bookFolderName(book);
                row.mailbox = book.mailbox;
                row.user = book.user;
                row.displayName = book.displayName;
                row.carddavUrl = book.carddavUrl;
                row.status = kStatusFailed;
                row.message = "No report holds this book: run the shard that takes it again.";
                merged.push_back(std::move(row));
                byBook[book.path]; // once, where the list names it twice
            }
        }
        for (std::size_t r = 0; r < rows.size(); ++r) // books of the reports the list does not name
            if (!placed[r]) merged.push_back(rows[r]);
    }

    int status = missingReport ? kFailed : kDone;
    out << reportHeader();
    for (const ReportRow& row : merged) {
        out << reportCsvLine(row);
        status = worstStatus(status, row.exitStatus());
    }
    return status;
}

} // namespace brenmoor::cli
