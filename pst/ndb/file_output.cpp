// Buffered positional writes to the store file.
#include "pst/ndb/file_output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace brenmoor::pst::ndb {
namespace {
constexpr std::size_t kBufferLimit = 1 << 20;
// Start writing back to disk every so often while the store grows, so the sync at
// commit waits for little more than the tail.
constexpr std::uint64_t kWritebackInterval = 32 << 20;
}

FileOutput::FileOutput(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) fail("cannot create", errno);
    buffer_.reserve(kBufferLimit);
}

FileOutput::FileOutput(int fd, const std::string& name) : path_(name), fd_(fd), inPlace_(false)
{
    buffer_.reserve(kBufferLimit);
}

FileOutput::~FileOutput()
{
    if (fd_ >= 0) {
        try {
            flush();
        } catch (...) {
            // A destructor cannot report; commit() is where failures surface.
        }
        ::close(fd_);
    }
}

void FileOutput::fail(const char* what, int err) const
{
    throw std::runtime_error("PST file " + path_ + ": " + what + ": " + std::strerror(err));
}

void FileOutput::write(std::uint64_t offset, const std::uint8_t* data, std::size_t size)
{
    if (!buffer_.empty() && offset != bufferStart_ + buffer_.size()) flush();
    if (buffer_.empty()) bufferStart_ = offset;
    buffer_.insert(buffer_.end(), data, data + size);
    if (buffer_.size() >= kBufferLimit) flush();
}

std::uint8_t* FileOutput::writeInPlace(std::uint64_t offset, std::size_t size)
{
    if (!buffer_.empty() && (offset != bufferStart_ + buffer_.size() || buffer_.size() + size > kBufferLimit)) flush();
    if (buffer_.empty()) bufferStart_ = offset;
    const std::size_t at = buffer_.size();
    buffer_.resize(at + size, 0);
    return buffer_.data() + at;
}

void FileOutput::read(std::uint64_t offset, std::uint8_t* data, std::size_t size)
{
    if (!buffer_.empty() && offset < bufferStart_ + buffer_.size() && bufferStart_ < offset + size) flush();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, data + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("cannot read back", errno);
        if (n == 0) fail("cannot read back", EIO);
        done += std::size_t(n);
    }
}

void FileOutput::flush()
{
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done, off_t(bufferStart_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            buffer_.clear();
            fail("cannot write", err);
        }
        if (n == 0) {
            buffer_.clear();
            fail("cannot write", ENOSPC);
        }
        done += std::size_t(n);
    }
    unsyncedBytes_ += buffer_.size();
    buffer_.clear();
    if (unsyncedBytes_ >= kWritebackInterval) {
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE); // a hint; failures surface at sync()
        unsyncedBytes_ = 0;
    }
}

void FileOutput::resize(std::uint64_t size)
{
    flush();
    if (::ftruncate(fd_, off_t(size)) != 0) fail("cannot set the file size", errno);
}

void FileOutput::sync()
{
    flush();
    if (!inPlace_) return;
    if (::fdatasync(fd_) != 0) fail("cannot write to disk", errno);
    unsyncedBytes_ = 0;
}

} // namespace brenmoor::pst::ndb
