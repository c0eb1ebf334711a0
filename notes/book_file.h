// The address-book file as bytes: opened read-only and mapped into memory so that
// the parser and the position scan can read any part of it without copying, and
// the sentences that tell the user what is wrong with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "notes/address_book.h"

namespace brenmoor::notes {

class BookFile {
public:
    // Opens and maps the file; throws NotesError when it is missing, unreadable,
    // not a regular file, empty, or a Notes database (.nsf) rather than its export.
    explicit BookFile(const std::string& path);
    ~BookFile();
    BookFile(const BookFile&) = delete;
    BookFile& operator=(const BookFile&) = delete;

    const std::string& path() const { return path_; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::string_view bytes() const { return {data_, size_}; }

    // Lets the system drop the pages of [start, end) from this process's memory;
    // they are read from the file again if needed. Keeps a walk's footprint small.
    void release(std::uint64_t start, std::uint64_t end) const;

    // The error for malformed XML at a byte offset: names the file, the line and
    // the column (both counted from 1) and what is wrong.
    NotesError malformed(std::uint64_t offset, std::string_view what) const;

private:
    std::string path_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace brenmoor::notes
