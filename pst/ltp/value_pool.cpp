// Appends to the last chunk while the value fits its reserved room, otherwise starts
// a chunk of its own size or a mebibyte, whichever is more.
#include "pst/ltp/value_pool.h"

#include <algorithm>
#include <stdexcept>

namespace brenmoor::pst::ltp {

namespace {
constexpr std::size_t kChunkSize = std::size_t(1) << 20;
}

std::uint32_t ValuePool::add(std::span<const std::uint8_t> bytes)
{
    if (values_.size() >= 0xFFFFFFFEu || bytes.size() > 0xFFFFFFFFu)
        throw std::length_error("too many table values");
    if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < bytes.size()) {
        chunks_.emplace_back();
        chunks_.back().reserve(std::max(kChunkSize, bytes.size()));
    }
    Bytes& chunk = chunks_.back();
    values_.push_back(Value{std::uint32_t(chunks_.size() - 1), std::uint32_t(chunk.size()),
                            std::uint32_t(bytes.size())});
    chunk.insert(chunk.end(), bytes.begin(), bytes.end());
    bytes_ += bytes.size();
    return std::uint32_t(values_.size() - 1);
}

std::span<const std::uint8_t> ValuePool::at(std::uint32_t index) const
{
    const Value& v = values_.at(index);
    return std::span<const std::uint8_t>(chunks_[v.chunk].data() + v.offset, v.size);
}

ValuePool::Mark ValuePool::mark() const
{
    return Mark{values_.size(), chunks_.size(), chunks_.empty() ? 0 : chunks_.back().size(), bytes_};
}

void ValuePool::rollback(const Mark& mark)
{
    values_.resize(mark.values);
    chunks_.resize(mark.chunks);
    if (!chunks_.empty())
        chunks_.back().resize(mark.lastChunkSize);
    bytes_ = mark.bytes;
}

} // namespace brenmoor::pst::ltp
