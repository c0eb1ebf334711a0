// The batch: a queue of books that -j workers take from, each book through the very
// export run a single export uses, into its own subfolder. The run of one book touches
// nothing of another's (its own address book, writer, folder and record of outputs), so
// workers share only the queue, the report and the progress line, each behind a lock.
// The report gets a row as each book and format ends, so a killed batch leaves a report
// of every export it completed, which --skip-done reads to go on where it stopped.
#include "cli/batch_export.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
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
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "cli/batch_report.h"
#include "cli/commands.h"
#include "cli/sha256.h"
#include "contact/contact_from_document.h"
#include "export/csv_writer.h"
#include "notes/book_file.h"
#include "text/text_bytes.h"
#include "export/export_run.h"
#include "export/output_file.h"

namespace brenmoor::cli {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using exporting::ExportRun;
using exporting::OutputFormat;

// The file that says which book a subfolder belongs to: the book's absolute path.
constexpr const char* kOwnerName = ".brenmoor-book";

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? fs::path(path) : absolute).lexically_normal().string();
}

// Reads a small regular file (not through a link, without waiting on a pipe); nothing
// where there is none.
std::optional<std::string> readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text.resize(std::min<std::size_t>(std::size_t(info.st_size), 65536));
        const ssize_t got = ::read(fd, text.data(), text.size());
        text.resize(got > 0 ? std::size_t(got) : 0);
    }
    ::close(fd);
    return text;
}

// Makes the book's subfolder where missing, or takes it again where it is the book's own
// (or holds no owner yet). Never through a symbolic link; never a folder another book
// owns. Returns "" or why not; made says whether the folder is new.
std::string claimFolder(const std::string& folder, const std::string& owner, bool& made) {
    made = false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        if (errno != ENOENT) return "Could not make the folder \"" + folder + "\": " + std::strerror(errno) + ".";
        if (::mkdir(folder.c_str(), 0777) == 0) made = true;
        else if (errno != EEXIST)
            return "Could not make the folder \"" + folder + "\": " + std::strerror(errno) + ".";
        if (::lstat(folder.c_str(), &info) != 0)
            return "Could not make the folder \"" + folder + "\": " + std::strerror(errno) + ".";
    }
    if (S_ISLNK(info.st_mode))
        return "The folder \"" + folder + "\" is a symbolic link, which a batch never follows; "
               "remove the link (or move it away) and run the batch again.";
    if (!S_ISDIR(info.st_mode))
        return "Could not make the folder \"" + folder + "\": a file of that name is in the way.";
    const std::string ownerFile = exporting::outputPath(folder, kOwnerName);
    if (const auto recorded = readSmallFile(ownerFile)) {
        std::string path = *recorded;
        while (!path.empty() && path.back() == '\n') path.pop_back();
        if (path == owner) return {};
        return "The folder \"" + folder + "\" holds the files of the book \"" + path +
               "\"; give this book another folder (the column output of the mapping) or move that one away.";
    }
    try {
        exporting::writeWholeFile(ownerFile, owner + "\n");
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// Takes back a folder the run made for a book that failed: only where nothing but its
// owner file is in it.
void dropNewFolder(const std::string& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().filename() != kOwnerName) return;
    ::unlink(exporting::outputPath(folder, kOwnerName).c_str());
    ::rmdir(folder.c_str());
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

// The row of an export that did not run: the book could not be read or picked from.
ReportRow failedRow(ReportRow row, const std::string& message) {
    row.status = kStatusFailed;
    row.message = oneLine(message);
    return row;
}

// The contacts of a book by which --duplicates-report finds them in other books.
struct ContactKeys {
    std::int64_t position = 0;
    std::string name;
    std::string unid;
    std::vector<std::string> addresses;
};

// The rows of a book: each format converted, or taken over from the earlier report
// where it is done in the book's own folder from the same file.
std::vector<ReportRow> convertBook(const BatchRequest& request, const BatchBook& book,
                                   const std::map<DoneKey, ReportRow>& done, BatchProgress& progress,
                                   std::atomic<std::int64_t>& written) {
    ReportRow base;
    base.book = book.path;
    base.folder = bookFolderName(book);
    base.selection = selectionText(request);
    base.mailbox = book.mailbox;
    base.user = book.user;
    base.displayName = book.displayName;
    base.carddavUrl = book.carddavUrl;
    std::string failure; // why no export of the book can run
    try { // what the file is, before anything reads it: a device or a pipe never ends
        const notes::BookFile file(book.path);
        base.size = static_cast<std::int64_t>(file.size());
        base.sha256 = fileSha256(book.path);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    const std::string folder = exporting::outputPath(request.folder, base.folder);
    std::optional<std::vector<std::int64_t>> picked; // found when the first export needs them

    std::vector<ReportRow> rows;
    for (const OutputFormat* format : request.formats) {
        ReportRow row = base;
        row.format = std::string(format->word);
        if (auto earlier = done.find(doneKey(row)); earlier != done.end() && !base.sha256.empty() &&
                                                    earlier->second.sha256 == base.sha256 &&
                                                    earlier->second.folder == base.folder) {
            rows.push_back(earlier->second);
            rows.back().earlierRun = true;
            continue;
        }
        const auto start = Clock::now();
        if (failure.empty() && request.selection && request.selection->picks() && !picked) {
            try {
                picked = request.selection->positionsIn(book.path);
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
        bool folderIsNew = false;
        if (const std::string refused = claimFolder(folder, absolutePath(book.path), folderIsNew); !refused.empty()) {
            rows.push_back(failedRow(row, refused));
            continue;
        }
        const FolderState before = folderState(folder);
        BookUi ui(folder, progress);
        ExportRun run(ui);
        if (picked) run.setSelection(*picked);
        run.setStoreIdentity(!book.mailbox.empty() ? book.mailbox : book.user);
        const ExportRun::Outcome outcome = run.run(*format, book.path);
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
        if (row.status == kStatusFailed && folderIsNew) dropNewFolder(folder);
        written += std::max<std::int64_t>(row.contactsWritten, 0);
        rows.push_back(row);
    }
    return rows;
}

// The report file, which only ever grows while the batch runs: each export's row is
// appended (and handed to the system) as the export ends, so a run killed at any point
// leaves every row it completed, and the rows of earlier runs stay as they were. Only
// at the end is it written anew (under a temporary name, then renamed) from all it
// holds: the rows of books this run left alone and this run's rows in list order. Where
// the same book, format and pick have several rows, the last tells.
class ReportFile {
public:
    explicit ReportFile(std::string path) : path_(std::move(path)) {}
    ~ReportFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    // Opens the report (made where missing) and returns the rows it holds. A report of
    // another version's columns, or with a last line cut short, is first written anew
    // with the rows it holds, so that the rows appended match its header.
    std::vector<ReportRow> open() {
        std::string text = openAndRead();
        std::vector<ReportRow> rows = parseReport(text);
        if (!text.starts_with(reportHeader()) || !text.ends_with("\n")) {
            writeWhole(rows);
            ::close(fd_);
            openAndRead(); // the new file, locked; its rows are those above
        }
        return rows;
    }
    void append(const std::vector<ReportRow>& rows) {
        std::string text;
        for (const ReportRow& row : rows)
            if (!row.earlierRun) text += reportCsvLine(row);
        std::lock_guard lock(mutex_);
        if (failure_.empty() && !text.empty() && ::write(fd_, text.data(), text.size()) != ssize_t(text.size()))
            failure_ = "Could not add to the report \"" + path_ + "\": " + std::strerror(errno) + ".";
    }
    void finish(const std::vector<ReportRow>& rows) {
        writeWhole(rows);
        ::close(fd_);
        fd_ = -1;
    }
    const std::string& failure() const { return failure_; }

private:
    // Opens the report for appending, without waiting on a pipe and only where it is a
    // regular file; locked, so that two batches never write one report at once.
    std::string openAndRead() {
        fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd_ < 0) fail(std::strerror(errno));
        struct stat info {};
        if (::fstat(fd_, &info) != 0) fail(std::strerror(errno));
        if (!S_ISREG(info.st_mode))
            fail("it is not a regular file (a pipe, a device or a socket); move it away and run the batch again");
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
            fail(errno == EWOULDBLOCK ? "another batch is writing it; wait for that one to end"
                                      : std::strerror(errno));
        std::string text(std::size_t(info.st_size), '\0');
        std::size_t have = 0;
        while (have < text.size()) {
            const ssize_t got = ::pread(fd_, text.data() + have, text.size() - have, off_t(have));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail(std::strerror(errno));
            if (got == 0) break;
            have += std::size_t(got);
        }
        text.resize(have);
        if (text.empty()) {
            const std::string header = reportHeader();
            if (::write(fd_, header.data(), header.size()) != ssize_t(header.size())) fail(std::strerror(errno));
            text = header;
        }
        return text;
    }
    void writeWhole(const std::vector<ReportRow>& rows) {
        std::string text = reportHeader();
        for (const ReportRow& row : rows) text += reportCsvLine(row);
        exporting::writeWholeFile(path_, text);
    }
    [[noreturn]] void fail(const std::string& why) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        throw std::runtime_error("Could not write the report \"" + path_ + "\": " + why + ".");
    }

    std::string path_;
    int fd_ = -1;
    std::mutex mutex_;
    std::string failure_;
};

// The Microsoft 365 import service's mapping of PST files to mailboxes: a row per PST
// store the report lists, its FilePath the book's subfolder (FOLDER is the folder
// uploaded), as Microsoft's "Use network upload to import PST files" documents it.
std::string m365Mapping(const std::vector<ReportRow>& rows, const std::string& target,
                        std::vector<std::string>& withoutMailbox) {
    std::string text = "Workload,FilePath,Name,Mailbox,IsArchive,TargetRootFolder,ContentCodePage,SPFileContainer,"
                       "SPManifestContainer,SPSiteUrl\r\n";
    for (const ReportRow& row : rows) {
        if (row.format != "pst" || !row.converted()) continue;
        for (std::size_t at = 0; at < row.outputs.size();) { // "name (n bytes); ..."
            const std::size_t end = std::min(row.outputs.find("; ", at), row.outputs.size());
            const std::string output = row.outputs.substr(at, end - at);
            at = end + 2;
            const std::size_t size = output.rfind(" (");
            const std::string name = output.substr(0, size);
            if (size == std::string::npos || !name.ends_with(".pst")) continue;
            const std::string mailbox = row.mailbox.empty() ? row.user : row.mailbox;
            if (mailbox.empty()) withoutMailbox.push_back(row.book);
            text += "Exchange,";
            for (const std::string& field : {row.folder, name, mailbox}) {
                exporting::appendCsvField(text, field);
                text += ',';
            }
            text += "FALSE,";
            exporting::appendCsvField(text, target);
            text += ",,,,\r\n";
        }
    }
    return text;
}

// The contacts of a book, read for --duplicates-report: position, name, universal ID
// and e-mail address.
std::vector<ContactKeys> contactKeysOf(const std::string& path) {
    notes::AddressBook book(path); // whole documents: a walk that keeps only some items drops the universal ID
    std::vector<ContactKeys> keys;
    std::int64_t position = 0;
    for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
        ContactKeys contact{++position, notes::displayName(*doc), doc->noteInfo().unid, {}};
        // Every Internet address of the contact, as the exports give them, without regard to case.
        for (std::string address : contact::emailAddresses(*doc)) {
            for (char& c : address) c = text::lowerAscii(c);
            contact.addresses.push_back(std::move(address));
        }
        keys.push_back(std::move(contact));
    }
    return keys;
}

// The duplicates report: a line for each contact whose universal ID or e-mail address
// another book of the run holds too, grouped by what they share.
std::string duplicatesReport(const std::vector<BatchBook>& books, const std::vector<std::vector<ContactKeys>>& keys) {
    struct Seen {
        std::size_t book;
        const ContactKeys* contact;
    };
    std::map<std::pair<std::string, std::string>, std::vector<Seen>> by; // (kind, value)
    for (std::size_t b = 0; b < books.size(); ++b)
        for (const ContactKeys& contact : keys[b]) {
            if (!contact.unid.empty()) by[{"unid", contact.unid}].push_back({b, &contact});
            for (const std::string& address : contact.addresses) by[{"email", address}].push_back({b, &contact});
        }
    std::string text = "shared,value,book,position,name\r\n";
    for (const auto& [key, seen] : by) {
        std::set<std::size_t> inBooks;
        for (const Seen& s : seen) inBooks.insert(s.book);
        if (inBooks.size() < 2) continue;
        for (const Seen& s : seen) {
            std::string line = key.first;
            for (const std::string& field : {key.second, books[s.book].path, std::to_string(s.contact->position),
                                             s.contact->name}) {
                line += ',';
                exporting::appendCsvField(line, spreadsheetSafe(field));
            }
            text += line + "\r\n";
        }
    }
    return text;
}

} // namespace

std::string Shard::tag() const { return "shard-" + std::to_string(index + 1) + "-of-" + std::to_string(count); }

std::string shardFileName(const std::string& name, const Shard& shard) {
    if (shard.whole()) return name;
    const fs::path path(name);
    const std::string stem = path.stem().string(), extension = path.extension().string();
    return (path.parent_path() / (stem + "-" + shard.tag() + extension)).string();
}

std::string bookFolderName(const BatchBook& book) {
    if (!book.output.empty()) return book.output;
    std::string stem = fs::path(book.path).filename().stem().string();
    if (stem.empty() || stem == "." || stem == "..") stem = "book";
    // Room for the suffix within a file name's 255 bytes, cut where no UTF-8 sequence is.
    return std::string(text::cutBefore(stem, 200)) + "-" + textSha256(absolutePath(book.path)).substr(0, 12);
}

std::vector<BatchBook> readBookList(const std::string& list) {
    std::string text;
    if (list == "-") {
        std::ostringstream in;
        in << std::cin.rdbuf();
        text = in.str();
    } else {
        const int fd = ::open(list.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat info {};
        // A pipe is a list too (--from <(find ...)); a device would be read without end.
        if (fd < 0 || ::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
            const std::string why = fd < 0 ? std::strerror(errno) : "it is neither a file nor a pipe";
            if (fd >= 0) ::close(fd);
            throw std::runtime_error("Could not read the list of books \"" + list + "\": " + why + ".");
        }
        ::close(fd);
        std::ifstream file(list, std::ios::binary);
        std::ostringstream in;
        in << file.rdbuf();
        text = in.str();
        if (file.bad()) throw std::runtime_error("Could not read the list of books \"" + list + "\".");
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3); // the byte order mark spreadsheets put first
    std::vector<BatchBook> books;
    const std::size_t lineEnd = std::min(text.find('\n'), text.size());
    const auto head = csvRecords(std::string_view(text).substr(0, lineEnd), true);
    const bool mapping = !head.empty() && std::find(head[0].begin(), head[0].end(), "book") != head[0].end();
    if (!mapping) {
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(" \t") != std::string::npos) books.emplace_back(line);
        }
        return books;
    }
    // A mapping file: the columns by their header.
    const std::pair<const char*, std::string BatchBook::*> kColumns[] = {
        {"book", &BatchBook::path},         {"mailbox", &BatchBook::mailbox}, {"user", &BatchBook::user},
        {"display_name", &BatchBook::displayName}, {"output", &BatchBook::output},
        {"carddav_url", &BatchBook::carddavUrl}};
    const auto records = csvRecords(text, true);
    std::vector<std::string BatchBook::*> members;
    for (std::string name : records[0]) {
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        auto column = std::find_if(std::begin(kColumns), std::end(kColumns),
                                   [&](const auto& c) { return name == c.first; });
        if (column == std::end(kColumns))
            throw std::runtime_error("The mapping \"" + list + "\" has the column \"" + name +
                                     "\", which is not known (the columns: book, mailbox, user, display_name, "
                                     "output, carddav_url).");
        members.push_back(column->second);
    }
    std::set<std::string> outputs;
    for (std::size_t r = 1; r < records.size(); ++r) {
        BatchBook book;
        for (std::size_t f = 0; f < records[r].size() && f < members.size(); ++f) book.*members[f] = records[r][f];
        if (book.path.empty() && records[r].size() <= 1) continue; // a blank line
        const std::string& output = book.output;
        if (book.path.empty() || output == "." || output == ".." || output.find('/') != std::string::npos ||
            output == kReportName)
            throw std::runtime_error("The mapping \"" + list + "\", line " + std::to_string(r + 1) +
                                     (book.path.empty() ? ": no book is named."
                                                        : ": the output \"" + output +
                                                              "\" is no folder name (a name without \"/\")."));
        if (!output.empty() && !outputs.insert(output).second)
            throw std::runtime_error("The mapping \"" + list + "\", line " + std::to_string(r + 1) + ": the output \"" +
                                     output + "\" is another book's already; give each book a folder of its own.");
        books.push_back(std::move(book));
    }
    return books;
}

void dropRepeatedBooks(std::vector<BatchBook>& books, std::ostream& err) {
    std::set<std::string> seen;
    std::erase_if(books, [&](const BatchBook& book) {
        if (seen.insert(absolutePath(book.path)).second) return false;
        err << "brenmoor-convert: " << book.path << " stands in the list more than once; it is converted once.\n";
        return true;
    });
}

int runBatch(const BatchRequest& request, std::ostream& out, std::ostream& err) {
    if (!makeFolder(request.folder, err)) return kFailed;
    const std::string reportPath = exporting::outputPath(request.folder, shardFileName(kReportName, request.shard));
    ReportFile report(reportPath);
    std::vector<ReportRow> earlier;
    try {
        earlier = report.open();
    } catch (const std::exception& e) {
        err << "brenmoor-convert: " << e.what() << "\n";
        return kFailed;
    }

    // The rows of books this run leaves alone (the last row for a book, format and pick),
    // and, with --skip-done, what the earlier report says is done.
    std::map<DoneKey, ReportRow> done;
    std::vector<ReportRow> kept;
    std::set<DoneKey> asked;
    for (const BatchBook& book : request.books)
        for (const OutputFormat* format : request.formats)
            asked.insert({book.path, std::string(format->word), selectionText(request)});
    std::map<DoneKey, std::size_t> keptAt;
    for (ReportRow& row : earlier) {
        const DoneKey key = doneKey(row);
        if (asked.count(key)) {
            if (!request.skipDone) continue;
            if (row.converted()) done[key] = row;
            else done.erase(key);
        } else if (auto at = keptAt.find(key); at != keptAt.end()) {
            kept[at->second] = std::move(row);
        } else {
            keptAt[key] = kept.size();
            kept.push_back(std::move(row));
        }
    }

    std::vector<std::vector<ReportRow>> rows(request.books.size());
    std::vector<std::vector<ContactKeys>> keys(request.duplicatesReport.empty() ? 0 : request.books.size());
    BatchProgress progress(err, request.books.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> written{0};
    auto work = [&] {
        for (std::size_t i = next++; i < request.books.size(); i = next++) {
            progress.bookStarted(request.books[i].path);
            rows[i] = convertBook(request, request.books[i], done, progress, written);
            report.append(rows[i]);
            if (!keys.empty()) {
                try {
                    keys[i] = contactKeysOf(request.books[i].path);
                } catch (const std::exception&) { // the book's rows say why it could not be read
                }
            }
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
        if (!request.reportJson.empty())
            exporting::writeWholeFile(shardFileName(request.reportJson, request.shard), reportJson(all));
        if (!request.m365Mapping.empty()) {
            std::vector<std::string> withoutMailbox;
            exporting::writeWholeFile(shardFileName(request.m365Mapping, request.shard),
                                      m365Mapping(all, request.m365Target, withoutMailbox));
            for (const std::string& book : withoutMailbox)
                err << "brenmoor-convert: " << book << ": no mailbox or user in the mapping; its PST store's row "
                    << "in the Microsoft 365 mapping has no Mailbox.\n";
        }
        if (!request.duplicatesReport.empty())
            exporting::writeWholeFile(shardFileName(request.duplicatesReport, request.shard),
                                      duplicatesReport(request.books, keys));
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
