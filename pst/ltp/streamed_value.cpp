// Texts converted to UTF-16LE and written out a block at a time: the text arrives in
// pieces of any size, is converted in slices of half a block, and each full block
// goes to the file as soon as it is made.
#include "pst/ltp/streamed_value.h"

#include <algorithm>
#include <utility>

namespace brenmoor::pst::ltp {

namespace {
// UTF-8 bytes converted at a time: at most one block's worth of UTF-16.
constexpr std::size_t kSlice = ndb::kMaxBlockData / 2;
// A UTF-8 character is at most four bytes long.
constexpr std::size_t kLongestCharacter = 4;
} // namespace

// The buffer grows with the value (to two blocks at the most): most values are short,
// and a writer is made for every body.
StreamedValueWriter::StreamedValueWriter(ndb::NodeDatabaseWriter& store) : store_(store) {}

StreamedValueWriter::~StreamedValueWriter()
{
    for (std::uint64_t bid : blocks_)
        store_.releaseDataBlock(bid);
}

void StreamedValueWriter::appendText(std::string_view utf8)
{
    if (!pending_.empty()) {
        // The character begun in the last piece, completed from this one.
        const std::size_t borrowed = std::min(utf8.size(), kLongestCharacter - 1);
        std::string joined = pending_ + std::string(utf8.substr(0, borrowed));
        const std::size_t taken = appendUtf16(buffer_, joined, false);
        if (taken < pending_.size()) { // still not whole: this piece was that short
            pending_ = joined.substr(taken);
            return;
        }
        utf8.remove_prefix(taken - pending_.size());
        pending_.clear();
        writeFullBlocks();
    }
    convert(utf8, false);
}

void StreamedValueWriter::convert(std::string_view utf8, bool final)
{
    while (!utf8.empty()) {
        const std::string_view slice = utf8.substr(0, kSlice);
        const bool last = slice.size() == utf8.size();
        const std::size_t taken = appendUtf16(buffer_, slice, final && last);
        utf8.remove_prefix(taken);
        writeFullBlocks();
        if (last && !final && taken < slice.size()) {
            pending_ = std::string(utf8);
            return;
        }
    }
}

void StreamedValueWriter::writeFullBlocks()
{
    // A value that fits one block is kept: it may still go into the heap.
    if (buffer_.size() <= ndb::kMaxBlockData) return;
    std::size_t at = 0;
    for (; buffer_.size() - at > ndb::kMaxBlockData; at += ndb::kMaxBlockData) {
        blocks_.push_back(store_.writeDataBlock(buffer_.data() + at, ndb::kMaxBlockData));
        size_ += ndb::kMaxBlockData;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(at));
}

PropValue StreamedValueWriter::finishText()
{
    const std::string rest = std::move(pending_);
    pending_.clear();
    convert(rest, true);
    return finish(PT_UNICODE);
}

void StreamedValueWriter::appendBinary(std::span<const std::uint8_t> bytes)
{
    // A block at a time, so that the buffer never holds more than two.
    while (!bytes.empty()) {
        const std::span<const std::uint8_t> slice = bytes.first(std::min(bytes.size(), ndb::kMaxBlockData));
        buffer_.insert(buffer_.end(), slice.begin(), slice.end());
        bytes = bytes.subspan(slice.size());
        writeFullBlocks();
    }
}

PropValue StreamedValueWriter::finishBinary() { return finish(PT_BINARY); }

PropValue StreamedValueWriter::finish(PropType type)
{
    writeFullBlocks();
    PropValue value;
    value.type = type;
    if (blocks_.empty()) {
        value.data = std::move(buffer_);
    } else {
        if (!buffer_.empty()) {
            blocks_.push_back(store_.writeDataBlock(buffer_.data(), buffer_.size()));
            size_ += buffer_.size();
        }
        value.writtenBlocks = std::move(blocks_);
        value.writtenSize = size_;
    }
    blocks_.clear();
    buffer_.clear();
    size_ = 0;
    return value;
}

WrittenBlocks::~WrittenBlocks()
{
    for (std::uint64_t bid : unput_)
        store_->releaseDataBlock(bid);
}

WrittenBlocks::WrittenBlocks(WrittenBlocks&& other) noexcept
    : store_(other.store_), unput_(std::exchange(other.unput_, {})), dropped_(std::exchange(other.dropped_, {}))
{
}

void WrittenBlocks::add(const std::vector<std::uint64_t>& blocks)
{
    unput_.insert(unput_.end(), blocks.begin(), blocks.end());
}

void WrittenBlocks::drop(const std::vector<std::uint64_t>& blocks)
{
    // Blocks are added and dropped together, so they stay side by side.
    const auto unput = blocks.empty() ? unput_.end() : std::find(unput_.begin(), unput_.end(), blocks.front());
    if (unput == unput_.end()) {
        dropped_.insert(dropped_.end(), blocks.begin(), blocks.end());
        return;
    }
    for (std::uint64_t bid : blocks)
        store_->releaseDataBlock(bid);
    unput_.erase(unput, unput + std::ptrdiff_t(blocks.size()));
}

void WrittenBlocks::nodePut()
{
    for (std::uint64_t bid : dropped_)
        store_->releaseDataBlock(bid);
    dropped_.clear();
    unput_.clear();
}

} // namespace brenmoor::pst::ltp
