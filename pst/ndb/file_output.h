// The store file as the writer sees it: created exclusively, written at offsets through
// a buffer that gathers consecutive writes, read back where the writer needs what it
// wrote. Every failure throws std::runtime_error with the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brenmoor::pst::ndb {

class FileOutput {
public:
    explicit FileOutput(const std::string& path); // fails if the file exists
    // Takes over fd, an empty file open for reading and writing that nobody sees until the
    // caller gives it its name when the store is complete; name stands for it in messages.
    // Such a file is never read half-written, so sync() only hands the data to the system,
    // as for any other output, instead of waiting for the disk at every commit.
    FileOutput(int fd, const std::string& name);
    ~FileOutput();
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    void write(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    // Room for size bytes at offset, to be filled in place before the next call on the
    // file (the bytes start zeroed).
    std::uint8_t* writeInPlace(std::uint64_t offset, std::size_t size);
    void read(std::uint64_t offset, std::uint8_t* data, std::size_t size);
    void flush();
    void resize(std::uint64_t size);
    // Flushes, and where the file is written in place under its name, waits until the
    // data is on disk: the store's commits order the maps before the header that points
    // at them.
    void sync();
    const std::string& path() const { return path_; }

private:
    [[noreturn]] void fail(const char* what, int err) const;

    std::string path_;
    int fd_ = -1;
    std::uint64_t bufferStart_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t unsyncedBytes_ = 0;
    bool inPlace_ = true;
};

} // namespace brenmoor::pst::ndb
