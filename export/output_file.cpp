// Output files of the text formats, written through POSIX calls so that every failure
// is seen with the system's reason.
#include "export/output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "export/export_error.h"

namespace brenmoor::exporting {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

[[noreturn]] void fail(const char* what, const std::string& path, int error) {
    throw ExportError(std::string(what) + " \"" + path + "\": " + std::strerror(error) +
                      ". Check that the folder exists, that you may write to it and that the "
                      "disk has room, then export again.");
}

int createFile(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail("Could not create the file", path, errno);
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

void closeFile(int fd, const std::string& path) {
    // close() may report a deferred write error (network file systems, quotas).
    if (::close(fd) != 0 && errno != EINTR) fail("Could not write the file", path, errno);
}

} // namespace

std::string outputPath(const std::string& folder, std::string_view fileName) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += fileName;
    return path;
}

void writeWholeFile(const std::string& path, std::string_view content) {
    int fd = createFile(path);
    try {
        writeAll(fd, content, path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    closeFile(fd, path);
}

OutputFile::~OutputFile() { abandon(); }

void OutputFile::create(const std::string& path) {
    abandon();
    fd_ = createFile(path);
    path_ = path;
    buffer_.reserve(kBlockSize + kBlockSize / 4);
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
    int fd = fd_;
    fd_ = -1;
    closeFile(fd, path_);
}

void OutputFile::abandon() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

} // namespace brenmoor::exporting
