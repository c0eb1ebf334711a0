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
    // Takes over fd, an empty file open for reading and writing (one without a name, say);
    // name stands for it in messages.
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
    void sync();
    const std::string& path() const { return path_; }

private:
    [[noreturn]] void fail(const char* what, int err) const;

    std::string path_;
    int fd_ = -1;
    std::uint64_t bufferStart_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t unsyncedBytes_ = 0;
};

} // namespace brenmoor::pst::ndb
