// The address-book file as bytes: opened read-only, read piece by piece into the
// caller's buffers (never held whole in memory), watched for changes while it is
// read, and the sentences that tell the user what is wrong with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "notes/address_book.h"

namespace brenmoor::notes {

class BookFile {
public:
    // Opens the file without waiting on it (a FIFO or a device would block) and
    // throws NotesError when it is missing, unreadable, not a regular file, empty,
    // or a Notes database (.nsf) rather than its export.
    explicit BookFile(const std::string& path);
    ~BookFile();
    BookFile(const BookFile&) = delete;
    BookFile& operator=(const BookFile&) = delete;

    const std::string& path() const { return path_; }
    // The size when the file was opened; every read stays within it.
    std::uint64_t size() const { return identity_.size; }
    const BookIdentity& identity() const { return identity_; }

    // Reads [offset, offset + length) into out, clipped to size(); returns the bytes
    // read. Throws changed() when the file no longer holds them. Safe to call from
    // several threads at once.
    std::size_t read(std::uint64_t offset, char* out, std::size_t length) const;
    // The first bytes of the file, at most length of them.
    std::string head(std::size_t length) const;

    // Throws changed() when the file's size or time of last change is no longer what
    // it was at opening.
    void checkUnchanged() const;
    NotesError changed() const;

    // The error for malformed XML at a byte offset: names the file, the line and
    // the column (both counted from 1) and what is wrong. Where the file has changed
    // since it was opened, that is the error instead.
    NotesError malformed(std::uint64_t offset, std::string_view what) const;

private:
    bool hasChanged() const;

    std::string path_;
    int fd_ = -1;
    BookIdentity identity_;
};

} // namespace brenmoor::notes
