// The scan's window on the book: refilled with reads, slid along, grown on need.
#include "notes/book_window.h"

#include <algorithm>
#include <cstring>

namespace brenmoor::notes {

BookWindow::BookWindow(const BookFile& file, std::size_t initialBytes) : file_(file), bytes_(initialBytes == 0 ? 1 : initialBytes) {}

void BookWindow::fill() {
    size_ += file_.read(end(), bytes_.data() + size_, bytes_.size() - size_);
}

void BookWindow::moveTo(std::uint64_t offset) {
    if (offset >= start_ && offset < end()) return;
    start_ = offset;
    size_ = 0;
    fill();
}

void BookWindow::extend(std::uint64_t keepFrom) {
    keepFrom = std::clamp(keepFrom, start_, end());
    auto kept = static_cast<std::size_t>(end() - keepFrom);
    if (keepFrom > start_) {
        std::memmove(bytes_.data(), bytes_.data() + (keepFrom - start_), kept);
        start_ = keepFrom;
        size_ = kept;
    }
    if (size_ == bytes_.size()) bytes_.resize(bytes_.size() * 2);
    fill();
}

} // namespace brenmoor::notes
