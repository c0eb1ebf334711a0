// The batch: a queue of books that -j workers take from, each book through the very
// export run a single export uses, into its own subfolder. The run of one book touches
// nothing of another's (its own address book, writer, folder and record of outputs), so
// workers share only the queue, the report and the progress line, each behind a lock.
// The report gets a row as each book and format ends, so a killed batch leaves a report
// of every export it completed, which --skip-done reads to go on where it stopped.
#include "cli/batch_export.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "cli/batch_report.h"
#include "cli/commands.h"
#include "cli/sha256.h"
#include "export/export_run.h"
#include "export/output_file.h"

namespace brenmoor::cli {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using exporting::ExportRun;
using exporting::OutputFormat;

// A subfolder name per book, after the book's file without its extension, made unique
// in list order ("names", "names_2", ...), so that a run of the same list finds them again.
std::vector<std::string> subfolderNames(const std::vector<std::string>& books) {
    std::set<std::string> taken{kReportName};
    std::vector<std::string> names;
    for (const std::string& book : books) {
        std::string stem = fs::path(book).filename().stem().string();
        if (stem.empty() || stem == "." || stem == "..") stem = "book";
        std::string name = stem;
        for (int n = 2; taken.count(name); ++n) name = stem + "_" + std::to_string(n);
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

// The files of a folder, to tell which ones an export put in place.
struct FileState {
    std::uintmax_t size = 0;
    ino_t inode = 0;
    std::int64_t modified = 0;
    bool operator==(const FileState&) const = default;
};
using FolderState = std::map<std::string, FileState>;

FolderState folderState(const std::string& folder) {
    FolderState state;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        struct stat info {};
        if (name.starts_with(".") || ::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        state[name] = {static_cast<std::uintmax_t>(info.st_size), info.st_ino,
                       std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    }
    return state;
}

// The files new or replaced between two states: each with its size, or their count and
// total size where there are many (the one-file-per-contact formats).
std::string outputsBetween(const FolderState& before, const FolderState& after) {
    constexpr std::size_t kListed = 10;
    std::vector<std::pair<std::string, std::uintmax_t>> changed;
    std::uintmax_t total = 0;
    for (const auto& [name, state] : after) {
        auto old = before.find(name);
        if (old != before.end() && old->second == state) continue;
        changed.emplace_back(name, state.size);
        total += state.size;
    }
    if (changed.size() > kListed)
        return std::to_string(changed.size()) + " files (" + changed.front().first + " to " + changed.back().first +
               "), " + std::to_string(total) + " bytes";
    std::string text;
    for (const auto& [name, size] : changed)
        text += (text.empty() ? "" : "; ") + name + " (" + std::to_string(size) + " bytes)";
    return text;
}

// The message of a run as one line of the report.
std::string oneLine(const std::string& message) {
    std::string line;
    for (char c : message) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') line += ' ';
            continue;
        }
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// The progress line on standard error (when it is a terminal): books done of total,
// contacts a second, the book in work.
class BatchProgress {
public:
    BatchProgress(std::ostream& err, std::size_t books)
        : err_(err), books_(books), shown_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}

    void contactsDone(std::int64_t n) {
        contacts_ += n;
        if (shown_) draw(false);
    }
    void bookStarted(const std::string& book) {
        std::lock_guard lock(mutex_);
        current_ = book;
    }
    void bookDone() {
        ++done_;
        if (shown_) draw(true);
    }
    void clear() {
        std::lock_guard lock(mutex_);
        if (drawn_) err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }
    std::int64_t contacts() const { return contacts_; }
    double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    void draw(bool always) {
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock) return;
        const auto now = Clock::now();
        if (!always && now - lastDrawn_ < std::chrono::milliseconds(200)) return;
        lastDrawn_ = now;
        const double elapsed = std::max(seconds(), 0.001);
        err_ << "\r\033[K" << done_ << "/" << books_ << " books, " << std::int64_t(contacts_ / elapsed)
             << " contacts/s, " << current_ << std::flush;
        drawn_ = true;
    }

    std::ostream& err_;
    std::size_t books_;
    bool shown_;
    Clock::time_point start_;
    std::mutex mutex_;
    std::atomic<std::int64_t> contacts_{0};
    std::atomic<std::size_t> done_{0};
    std::string current_;
    Clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

// What one export of a book says, kept for its report row.
class BookUi final : public exporting::ExportUi {
public:
    BookUi(std::string folder, BatchProgress& progress) : folder_(std::move(folder)), progress_(progress) {}

    std::string browseForFolder(const std::string&) override { return folder_; }
    void showMessage(const std::string& text) override { message_ = oneLine(text); }
    void showCompletion(const std::string& text, const exporting::RunSummary& summary) override {
        summary_ = summary;
        message_ = oneLine(text);
    }
    void setProgressRange(std::int64_t, std::int64_t maximum) override { found_ = maximum; }
    void setProgressValue(std::int64_t value) override {
        if (value <= reached_) return;
        progress_.contactsDone(value - reached_);
        reached_ = value;
    }

    std::int64_t found() const { return found_; }
    const std::optional<exporting::RunSummary>& summary() const { return summary_; }
    const std::string& message() const { return message_; }

private:
    std::string folder_;
    BatchProgress& progress_;
    std::int64_t found_ = -1;
    std::int64_t reached_ = 0;
    std::optional<exporting::RunSummary> summary_;
    std::string message_;
};

// A book's export as --skip-done knows it: book, format and the contacts picked.
using DoneKey = std::tuple<std::string, std::string, std::string>;
DoneKey doneKey(const ReportRow& row) { return {row.book, row.format, row.selection}; }

// The report's words for the contacts a request picks.
std::string selectionText(const BatchRequest& request) {
    return request.selection && request.selection->picks() ? request.selection->description() : "all";
}

// The rows of a book: each format converted, or taken over from the earlier report.
// The row of an export that did not run: the book could not be read or picked from.
ReportRow failedRow(ReportRow row, const std::string& message) {
    row.status = kStatusFailed;
    row.message = oneLine(message);
    return row;
}

// The rows of a book: each format converted, or taken over from the earlier report.
std::vector<ReportRow> convertBook(const BatchRequest& request, const std::string& book, const std::string& subfolder,
                                   const std::map<DoneKey, ReportRow>& done, BatchProgress& progress,
                                   std::atomic<std::int64_t>& written) {
    ReportRow base;
    base.book = book;
    base.folder = subfolder;
    base.selection = selectionText(request);
    std::string failure; // why no export of the book can run
    struct stat info {};
    if (::stat(book.c_str(), &info) == 0) base.size = info.st_size;
    try {
        base.sha256 = fileSha256(book);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    const std::string folder = exporting::outputPath(request.folder, subfolder);
    std::optional<std::vector<std::int64_t>> picked; // found when the first export needs them

    std::vector<ReportRow> rows;
    for (const OutputFormat* format : request.formats) {
        ReportRow row = base;
        row.format = std::string(format->word);
        if (auto earlier = done.find(doneKey(row));
            earlier != done.end() && !base.sha256.empty() && earlier->second.sha256 == base.sha256) {
            rows.push_back(earlier->second);
            rows.back().earlierRun = true;
            continue;
        }
        const auto start = Clock::now();
        if (failure.empty() && request.selection && request.selection->picks() && !picked) {
            try {
                picked = request.selection->positionsIn(book);
            } catch (const std::exception& e) {
                failure = e.what();
            }
        }
        if (!failure.empty()) {
            rows.push_back(failedRow(row, failure));
            continue;
        }
        if (picked && picked->empty()) {
            row.status = kStatusDone;
            row.contactsFound = row.contactsWritten = row.contactsNotWritten = 0;
            row.message = "No contact is among the " + request.selection->description() + "; no file was written.";
            rows.push_back(row);
            continue;
        }
        std::error_code error;
        const bool folderIsNew = !fs::exists(folder, error);
        std::ostringstream folderError;
        if (!makeFolder(folder, folderError)) {
            rows.push_back(failedRow(row, folderError.str()));
            continue;
        }
        const FolderState before = folderState(folder);
        BookUi ui(folder, progress);
        ExportRun run(ui);
        if (picked) run.setSelection(*picked);
        const ExportRun::Outcome outcome = run.run(*format, book);
        row.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        row.outputs = outputsBetween(before, folderState(folder));
        row.message = ui.message();
        row.contactsFound = ui.found();
        if (const auto& summary = ui.summary()) {
            row.contactsWritten = summary->contactsWritten;
            row.contactsNotWritten = summary->contactsSkipped;
            row.documentsSkipped = notes::otherDocumentsText(summary->otherDocuments);
            row.valuesNotCarried = exporting::itemCountsText(summary->notCarried);
        } else { // failed: nothing counts as written, as the contacts' files are not all there
            row.contactsWritten = 0;
            row.contactsNotWritten = row.contactsFound;
        }
        row.status = outcome == ExportRun::Outcome::Completed            ? kStatusDone
                     : outcome == ExportRun::Outcome::CompletedWithSkips ? kStatusSkippedContacts
                                                                         : kStatusFailed;
        if (row.status == kStatusDone && ui.summary() && exporting::someFilesNotWritten(*ui.summary()))
            row.status = kStatusSkippedFiles;
        if (row.status == kStatusFailed && folderIsNew) fs::remove(folder, error); // only where left empty
        written += std::max<std::int64_t>(row.contactsWritten, 0);
        rows.push_back(row);
    }
    return rows;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The report file: written whole at the start (with the rows taken over), a row appended
// as each export ends, and written whole again in list order at the end.
class ReportFile {
public:
    explicit ReportFile(std::string path) : path_(std::move(path)) {}
    ~ReportFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    void start(const std::vector<ReportRow>& kept) {
        writeWhole(kept);
        fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd_ < 0) fail(errno);
    }
    void append(const std::vector<ReportRow>& rows) {
        std::string text;
        for (const ReportRow& row : rows) text += reportCsvLine(row);
        std::lock_guard lock(mutex_);
        if (failure_.empty() && ::write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            failure_ = "Could not add to the report \"" + path_ + "\": " + std::strerror(errno) + ".";
    }
    void finish(const std::vector<ReportRow>& rows) {
        ::close(fd_);
        fd_ = -1;
        writeWhole(rows);
    }
    const std::string& failure() const { return failure_; }

private:
    void writeWhole(const std::vector<ReportRow>& rows) {
        std::string text = reportHeader();
        for (const ReportRow& row : rows) text += reportCsvLine(row);
        exporting::writeWholeFile(path_, text);
    }
    [[noreturn]] void fail(int error) {
        throw std::runtime_error("Could not write the report \"" + path_ + "\": " + std::strerror(error) + ".");
    }

    std::string path_;
    int fd_ = -1;
    std::mutex mutex_;
    std::string failure_;
};

} // namespace

std::vector<std::string> readBookList(const std::string& list) {
    std::ifstream file;
    if (list != "-") {
        file.open(list);
        if (!file) throw std::runtime_error("Could not read the list of books \"" + list + "\": " +
                                            std::strerror(errno) + ".");
    }
    std::istream& in = list == "-" ? std::cin : file;
    std::vector<std::string> books;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) books.push_back(line);
    }
    if (in.bad()) throw std::runtime_error("Could not read the list of books \"" + list + "\".");
    return books;
}

int runBatch(const BatchRequest& request, std::ostream& out, std::ostream& err) {
    if (!makeFolder(request.folder, err)) return kFailed;
    const std::string reportPath = exporting::outputPath(request.folder, kReportName);

    // What the earlier report says is done, and the rows of books this run leaves alone.
    std::map<DoneKey, ReportRow> done;
    std::vector<ReportRow> kept;
    if (request.skipDone) {
        std::set<DoneKey> asked;
        for (const std::string& book : request.books)
            for (const OutputFormat* format : request.formats)
                asked.insert({book, std::string(format->word), selectionText(request)});
        for (ReportRow& row : parseReport(readWholeFile(reportPath))) {
            const DoneKey key = doneKey(row);
            if (!asked.count(key)) kept.push_back(row);
            else if (row.converted()) done[key] = row;
        }
    }

    const std::vector<std::string> subfolders = subfolderNames(request.books);
    std::vector<std::vector<ReportRow>> rows(request.books.size());
    ReportFile report(reportPath);
    try {
        report.start(kept);
    } catch (const std::exception& e) {
        err << "brenmoor-convert: " << e.what() << "\n";
        return kFailed;
    }

    BatchProgress progress(err, request.books.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> written{0};
    auto work = [&] {
        for (std::size_t i = next++; i < request.books.size(); i = next++) {
            progress.bookStarted(request.books[i]);
            rows[i] = convertBook(request, request.books[i], subfolders[i], done, progress, written);
            report.append(rows[i]);
            progress.bookDone();
        }
    };
    const std::size_t jobs = std::clamp<std::size_t>(request.jobs, 1, std::max<std::size_t>(request.books.size(), 1));
    std::vector<std::thread> workers;
    for (std::size_t j = 1; j < jobs; ++j) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    progress.clear();

    // Every row in list order, and the totals.
    std::vector<ReportRow> all = kept;
    int status = kDone;
    std::map<std::string, int> counts;
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (const ReportRow& row : rows[i]) {
            all.push_back(row);
            status = worstStatus(status, row.exitStatus());
            if (row.status == kStatusFailed)
                err << "brenmoor-convert: " << row.book << " (" << row.format << "): " << row.message << "\n";
            ++counts[row.earlierRun ? "done before" : row.status];
        }
    try {
        if (!report.failure().empty()) throw std::runtime_error(report.failure());
        report.finish(all);
        if (!request.reportJson.empty()) exporting::writeWholeFile(request.reportJson, reportJson(all));
    } catch (const std::exception& e) {
        err << "brenmoor-convert: " << e.what() << "\n";
        status = kFailed;
    }
    const std::size_t exports = request.books.size() * request.formats.size();
    out << request.books.size() << (request.books.size() == 1 ? " book, " : " books, ") << exports
        << (exports == 1 ? " export:" : " exports:");
    const char* order[] = {kStatusDone, kStatusSkippedContacts, kStatusFailed, "done before"};
    bool first = true;
    for (const char* name : order) {
        if (!counts.count(name)) continue;
        out << (first ? " " : ", ") << counts[name] << " " << name;
        first = false;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", progress.seconds());
    out << "; " << written << " contacts written in " << seconds << " s; report: " << reportPath << "\n";
    return status;
}

} // namespace brenmoor::cli
