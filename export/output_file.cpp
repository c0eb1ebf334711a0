// Output files written without a name and given one only when complete, through POSIX
// calls so that every failure is seen with the system's reason. Where the file system
// can (O_TMPFILE), the file has no name at all until it is linked in, so a run killed
// half-way leaves nothing; elsewhere, and where something already has the final name,
// it is written under a hidden temporary name and renamed into place, so a killed run
// leaves a hidden temporary file at most. Either way no short file ever stands under
// the final name. (No fsync: the link or rename orders the data before the name on the
// usual Linux file systems, and a sync per contact file would make the text and HTML
// exports many times slower.)
#include "export/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "export/contact_file_name.h"
#include "export/export_error.h"
#include "text/text_bytes.h"
#include "text/translation.h"

namespace brenmoor::exporting {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
// Room left in a 255-byte file name for the temporary name's dot, random part and suffix.
constexpr std::size_t kKeptNameBytes = 200;
constexpr std::size_t kRandomPartLength = 12;
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr int kCreateAttempts = 100;
constexpr std::int64_t kMostFreeNameAttempts = 100000;

thread_local OutputRecord* currentRecord = nullptr;

using text::arg;
using text::translate;

enum class Step { Create, Write, Save };

[[noreturn]] void fail(Step step, const std::string& path, int error) {
    const std::string what =
        step == Step::Create ? translate("brenmoor::exporting", "Could not create the file \"%1\": %2.")
        : step == Step::Write ? translate("brenmoor::exporting", "Could not write the file \"%1\": %2.")
                              : translate("brenmoor::exporting", "Could not save the file \"%1\": %2.");
    throw ExportError(arg(what, {path, std::strerror(error)}) + " " +
                      translate("brenmoor::exporting", "Check that the folder exists, that you may write to it "
                                                       "and that the disk has room, then export again."));
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string randomPart() {
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<std::uint64_t>(::getpid()) << 32)};
    static constexpr char kHex[] = "0123456789abcdef";
    std::uint64_t bits = generator();
    std::string text(kRandomPartLength, '0');
    for (char& c : text) {
        c = kHex[bits & 0xF];
        bits >>= 4;
    }
    return text;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether name is one temporaryPathFor gives: ".", a name, ".", the random part, ".tmp".
bool isTemporaryName(std::string_view name) {
    const std::size_t tail = 1 + kRandomPartLength + kTemporarySuffix.size();
    if (name.size() < 2 + tail || name.front() != '.' || !name.ends_with(kTemporarySuffix)) return false;
    const std::string_view random = name.substr(name.size() - tail);
    if (random.front() != '.') return false;
    for (char c : random.substr(1, kRandomPartLength))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// A file being written holds this lock until it is closed, so that another run never
// takes it for one that a killed run left.
void markInUse(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EINTR) {
    }
}

// A file without a name in the folder of path, or -1 where the file system (or a missing
// /proc, through which it is linked in) does not allow one.
int openUnnamed(const std::string& path, int access = O_WRONLY) {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    if (!procMounted) return -1;
    int fd;
    do {
        fd = ::open(folderOf(path).c_str(), access | O_TMPFILE | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) markInUse(fd);
    return fd;
}

// Gives the unnamed file fd the name path; fails with EEXIST where anything has it.
int linkUnnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

int openNew(const std::string& path, int access = O_WRONLY) {
    int fd;
    do {
        fd = ::open(path.c_str(), access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) markInUse(fd);
    return fd;
}

// A new file under a free temporary name beside path: its descriptor, with the name
// in temporaryPath; -1 (and errno) where none can be made.
int openTemporary(const std::string& path, std::string& temporaryPath, int access = O_WRONLY) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        temporaryPath = temporaryPathFor(path);
        const int fd = openNew(temporaryPath, access);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporaryPath.clear();
    errno = error;
    return -1;
}

// Closes fd; throws where the system reports that data written to it was lost.
void closeChecked(int fd, const std::string& path) {
    // close() may report a deferred write error (network file systems, quotas).
    if (::close(fd) != 0 && errno != EINTR) fail(Step::Write, path, errno);
}

// Removes the temporary file name in the open folder when it is certainly a stale one.
void removeIfStale(int folderFd, const char* name) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat opened, there;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
        opened.st_size > 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(folderFd, name, &there, AT_SYMLINK_NOFOLLOW) == 0 && there.st_ino == opened.st_ino &&
        there.st_dev == opened.st_dev)
        ::unlinkat(folderFd, name, 0);
    ::close(fd);
}

void writeAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(Step::Write, path, errno);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// rename() that fails with EEXIST where anything (a file, a link, a folder) has the name.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
    // A file system without that rename: a hard link takes a name only where it is free.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return -1;
    // Nor hard links (FAT on a memory stick): look, then rename.
    struct stat taken;
    if (::lstat(to.c_str(), &taken) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

} // namespace

std::string outputPath(const std::string& folder, std::string_view fileName) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += fileName;
    return path;
}

std::string temporaryPathFor(const std::string& finalPath) {
    const std::size_t slash = finalPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = finalPath.substr(nameStart);
    if (name.size() > kKeptNameBytes) {
        std::size_t cut = kKeptNameBytes;
        while (cut > 0 && text::continuesCharacter(name[cut])) --cut;
        name.resize(cut);
    }
    return finalPath.substr(0, nameStart) + "." + name + "." + randomPart() + std::string(kTemporarySuffix);
}

std::string numberedName(const std::string& stem, std::int64_t n, const std::string& extension,
                         Numbering numbering) {
    const std::string number = std::to_string(n);
    const std::string tail =
        (n == 1 ? "" : numbering == Numbering::Underscore ? "_" + number : " (" + number + ")") + extension;
    std::size_t room = kMaxFileNameBytes > tail.size() ? kMaxFileNameBytes - tail.size() : 0;
    if (stem.size() <= room) return stem + tail;
    while (room > 0 && text::continuesCharacter(stem[room])) --room;
    return stem.substr(0, room) + tail;
}

std::string publishUnderFreeName(const std::string& temporaryPath, const std::string& folder,
                                 const std::string& stem, const std::string& extension, std::int64_t* next) {
    const std::int64_t first = next ? *next : 1;
    for (std::int64_t n = first; n < first + kMostFreeNameAttempts; ++n) {
        const std::string path = outputPath(folder, numberedName(stem, n, extension));
        if (renameWithoutReplacing(temporaryPath, path) == 0) {
            if (next) *next = n + 1;
            return path;
        }
        if (errno != EEXIST) fail(Step::Save, path, errno);
    }
    fail(Step::Save, outputPath(folder, numberedName(stem, first, extension)), EEXIST);
}

std::string firstFreeName(const std::string& folder, const std::string& stem, const std::string& extension,
                          Numbering numbering) {
    struct stat taken;
    std::string name = numberedName(stem, 1, extension, numbering);
    for (std::int64_t n = 2; n <= kMostFreeNameAttempts && ::lstat(outputPath(folder, name).c_str(), &taken) == 0; ++n)
        name = numberedName(stem, n, extension, numbering);
    return name;
}

void removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
        if (isTemporaryName(entry->d_name)) removeIfStale(::dirfd(dir), entry->d_name);
    }
    ::closedir(dir);
}

OutputRecord::OutputRecord() : outer_(currentRecord) { currentRecord = this; }
OutputRecord::~OutputRecord() { currentRecord = outer_; }

OutputRecord* OutputRecord::current() { return currentRecord; }

void OutputRecord::begun(const std::string& path) {
    unfinished_.push_back(fileNameOf(path));
}

void OutputRecord::finished(const std::string& begunPath, const std::string& finalPath) {
    const std::string begun = fileNameOf(begunPath);
    for (auto it = unfinished_.begin(); it != unfinished_.end(); ++it)
        if (*it == begun) {
            unfinished_.erase(it);
            break;
        }
    const std::string name = fileNameOf(finalPath);
    if (finishedCount_++ == 0) firstFinished_ = name;
    lastFinished_ = name;
    if (firstNames_.size() < kFirstNamesKept) firstNames_.push_back(name);
}

OutputFile::~OutputFile() { abandon(); }

void OutputFile::create(const std::string& path) {
    abandon();
    path_ = path;
    if (OutputRecord* record = OutputRecord::current()) record->begun(path);
    fd_ = openUnnamed(path);
    if (fd_ < 0) fd_ = openTemporary(path, temporaryPath_);
    if (fd_ < 0) fail(Step::Create, path, errno);
}

void OutputFile::append(std::string_view text) {
    if (text.size() >= kBlockSize) {
        // A text of a block or more goes to the disk as it is, not through a copy.
        flush();
        writeAll(fd_, text, path_);
        return;
    }
    buffer_.append(text);
    if (buffer_.size() >= kBlockSize) flush();
}

void OutputFile::flush() {
    writeAll(fd_, buffer_, path_);
    buffer_.clear();
}

void OutputFile::park(bool keepOpen) {
    if (fd_ < 0) return;
    try {
        flush();
    } catch (...) {
        abandon();
        throw;
    }
    if (temporaryPath_.empty()) nameTemporarily();
    if (!keepOpen) closeWritten();
    std::string().swap(buffer_); // a parked file holds no memory
}

void OutputFile::nameTemporarily() {
    int error = EEXIST;
    for (int attempt = 0; error == EEXIST && attempt < kCreateAttempts; ++attempt) {
        temporaryPath_ = temporaryPathFor(path_);
        if (linkUnnamed(fd_, temporaryPath_) == 0) return;
        error = errno;
        temporaryPath_.clear();
    }
    abandon();
    fail(Step::Save, path_, error);
}

void OutputFile::close() {
    if (fd_ < 0 && temporaryPath_.empty()) return;
    if (fd_ >= 0) {
        try {
            flush();
        } catch (...) {
            abandon();
            throw;
        }
        if (temporaryPath_.empty()) {
            // The unnamed file: linked in under its final name where that is free, else under
            // a temporary name, to be renamed over what has the final name.
            if (linkUnnamed(fd_, path_) == 0) {
                closeWritten();
                if (OutputRecord* record = OutputRecord::current()) record->finished(path_, path_);
                return;
            }
            if (errno != EEXIST) {
                const int error = errno;
                abandon();
                fail(Step::Save, path_, error);
            }
            nameTemporarily();
        }
        closeWritten();
    }
    // rename() replaces a file or a link at the name, never writing through the link.
    // Anything else there (a folder, a device, a pipe) is not ours to replace.
    struct stat there;
    if (::lstat(path_.c_str(), &there) == 0 && !S_ISREG(there.st_mode) && !S_ISLNK(there.st_mode)) {
        abandon();
        throw ExportError(arg(translate("brenmoor::exporting",
                                        "Could not save the file \"%1\": something that is not a file has that "
                                        "name. Move it away or choose another folder, then export again."),
                              {path_}));
    }
    if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        abandon();
        fail(Step::Save, path_, error);
    }
    temporaryPath_.clear();
    if (OutputRecord* record = OutputRecord::current()) record->finished(path_, path_);
}

void OutputFile::closeWritten() {
    const int fd = fd_;
    fd_ = -1;
    try {
        closeChecked(fd, path_);
    } catch (...) {
        abandon();
        throw;
    }
}

void OutputFile::abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    buffer_.clear();
}

UnnamedFile::~UnnamedFile() { abandon(); }

void UnnamedFile::create(const std::string& intendedPath) {
    abandon();
    path_ = intendedPath;
    fd_ = openUnnamed(intendedPath, O_RDWR);
    if (fd_ < 0) fd_ = openTemporary(intendedPath, temporaryPath_, O_RDWR);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category());
}

int UnnamedFile::duplicate() const {
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw std::system_error(errno, std::generic_category());
    return fd;
}

std::string UnnamedFile::publish(const std::string& folder, const std::string& stem, const std::string& extension,
                                 std::int64_t* next) {
    std::string path;
    try {
        if (!temporaryPath_.empty()) {
            path = publishUnderFreeName(temporaryPath_, folder, stem, extension, next);
            temporaryPath_.clear();
        } else {
            const std::int64_t first = next ? *next : 1;
            for (std::int64_t n = first; path.empty(); ++n) {
                const std::string candidate = outputPath(folder, numberedName(stem, n, extension));
                if (linkUnnamed(fd_, candidate) == 0) {
                    path = candidate;
                    if (next) *next = n + 1;
                } else if (errno != EEXIST || n == first + kMostFreeNameAttempts - 1) {
                    fail(Step::Save, candidate, errno);
                }
            }
        }
    } catch (...) {
        abandon();
        throw;
    }
    const int fd = fd_;
    fd_ = -1;
    try {
        closeChecked(fd, path);
    } catch (...) {
        // The data did not all reach the disk: no short file under the final name.
        ::unlink(path.c_str());
        throw;
    }
    return path;
}

void UnnamedFile::abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
}

void writeWholeFile(const std::string& path, std::string_view content) {
    OutputFile file;
    file.create(path);
    file.append(content);
    file.close();
}

} // namespace brenmoor::exporting
