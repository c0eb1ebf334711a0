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
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "export/export_error.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
// Room left in a 255-byte file name for the temporary name's dot, random part and suffix.
constexpr std::size_t kKeptNameBytes = 200;
constexpr int kCreateAttempts = 100;
constexpr std::int64_t kMostFreeNameAttempts = 100000;

thread_local OutputRecord* currentRecord = nullptr;

[[noreturn]] void fail(const char* what, const std::string& path, int error) {
    throw ExportError(std::string(what) + " \"" + path + "\": " + std::strerror(error) +
                      ". Check that the folder exists, that you may write to it and that the "
                      "disk has room, then export again.");
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
    std::string text(12, '0');
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

// A file without a name in the folder of path, or -1 where the file system (or a missing
// /proc, through which it is linked in) does not allow one.
int openUnnamed(const std::string& path) {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    if (!procMounted) return -1;
    int fd;
    do {
        fd = ::open(folderOf(path).c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Gives the unnamed file fd the name path; fails with EEXIST where anything has it.
int linkUnnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

int openNew(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void writeAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Could not write the file", path, errno);
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
    return finalPath.substr(0, nameStart) + "." + name + "." + randomPart() + ".tmp";
}

std::string publishUnderFreeName(const std::string& temporaryPath, const std::string& folder,
                                 const std::string& stem, const std::string& extension) {
    for (std::int64_t n = 1; n <= kMostFreeNameAttempts; ++n) {
        const std::string path =
            outputPath(folder, stem + (n == 1 ? "" : "_" + std::to_string(n)) + extension);
        if (renameWithoutReplacing(temporaryPath, path) == 0) return path;
        if (errno != EEXIST) fail("Could not save the file", path, errno);
    }
    fail("Could not save the file", outputPath(folder, stem + extension), EEXIST);
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
    if (fd_ >= 0) return;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        temporaryPath_ = temporaryPathFor(path);
        fd_ = openNew(temporaryPath_);
        if (fd_ >= 0) return;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporaryPath_.clear();
    fail("Could not create the file", path, error);
}

void OutputFile::append(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlockSize) flush();
}

void OutputFile::flush() {
    writeAll(fd_, buffer_, path_);
    buffer_.clear();
}

void OutputFile::close() {
    if (fd_ < 0) return;
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
        int error = errno;
        for (int attempt = 0; error == EEXIST && attempt < kCreateAttempts; ++attempt) {
            temporaryPath_ = temporaryPathFor(path_);
            if (linkUnnamed(fd_, temporaryPath_) == 0) break;
            error = errno;
            temporaryPath_.clear();
        }
        if (temporaryPath_.empty()) {
            abandon();
            fail("Could not save the file", path_, error);
        }
    }
    closeWritten();
    // rename() replaces a file or a link at the name, never writing through the link.
    // Anything else there (a folder, a device, a pipe) is not ours to replace.
    struct stat there;
    if (::lstat(path_.c_str(), &there) == 0 && !S_ISREG(there.st_mode) && !S_ISLNK(there.st_mode)) {
        abandon();
        throw ExportError("Could not save the file \"" + path_ +
                          "\": something that is not a file has that name. Move it away or choose "
                          "another folder, then export again.");
    }
    if (::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        abandon();
        fail("Could not save the file", path_, error);
    }
    temporaryPath_.clear();
    if (OutputRecord* record = OutputRecord::current()) record->finished(path_, path_);
}

void OutputFile::closeWritten() {
    const int fd = fd_;
    fd_ = -1;
    // close() may report a deferred write error (network file systems, quotas).
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        abandon();
        fail("Could not write the file", path_, error);
    }
}

void OutputFile::abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    buffer_.clear();
}

void writeWholeFile(const std::string& path, std::string_view content) {
    OutputFile file;
    file.create(path);
    file.append(content);
    file.close();
}

} // namespace brenmoor::exporting
