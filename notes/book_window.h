// A stretch of the book held in memory for the position scan: it slides along the
// book as the scan moves on and grows only when one piece of markup needs more room,
// so the scan's memory follows the largest document, not the book.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "notes/book_file.h"

namespace brenmoor::notes {

class BookWindow {
public:
    explicit BookWindow(const BookFile& file, std::size_t initialBytes = 256 << 10);

    // Holds the book from offset on (as much as the window takes), unless the window
    // already holds offset.
    void moveTo(std::uint64_t offset);
    // Reads on past the window's end, keeping the bytes from keepFrom (inside the
    // window) on: slides the window when keepFrom is past its start, grows it when
    // the window is full from keepFrom on. Throws NotesError when the file changed.
    void extend(std::uint64_t keepFrom);

    const char* data() const { return bytes_.data(); }
    std::size_t size() const { return size_; }
    std::uint64_t start() const { return start_; }
    std::uint64_t end() const { return start_ + size_; }
    bool reachesEndOfBook() const { return end() == file_.size(); }

private:
    void fill();

    const BookFile& file_;
    std::vector<char> bytes_;
    std::uint64_t start_ = 0;
    std::size_t size_ = 0;
};

} // namespace brenmoor::notes
