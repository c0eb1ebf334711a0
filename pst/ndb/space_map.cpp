// Slot bookkeeping for the allocation maps, and the allocation policy: reuse freed
// space of a fitting size first, else append at the end of the file.
#include "pst/ndb/space_map.h"
#include "text/translation.h"

#include <algorithm>
#include <stdexcept>

namespace brenmoor::pst::ndb {
namespace {
constexpr std::uint64_t kMaxBlockSlots = kMaxBlockSize / kSlotSize;
constexpr std::uint64_t kPageSlots = kPageSize / kSlotSize;
} // namespace

SpaceMap::SpaceMap() : reusable_(kMaxBlockSlots + 1)
{
    openRegion();
}

void SpaceMap::openRegion()
{
    const std::uint64_t region = bits_.size();
    if (region >= kMaxRegions)
        throw std::runtime_error(
            text::translate("brenmoor::pst", "The PST store would grow past 50 GB, the most a Unicode store may hold."));
    bits_.emplace_back();
    bits_.back().fill(0);
    mark(regionStart(region), regionMapBytes(region), true);
    end_ = regionStart(region) + regionMapBytes(region);
}

void SpaceMap::mark(std::uint64_t ib, std::uint64_t size, bool used)
{
    for (std::uint64_t off = ib; off < ib + size; off += kSlotSize) {
        const std::uint64_t region = (off - kFirstAMapOffset) / kRegionSize;
        const std::uint64_t slot = (off - regionStart(region)) / kSlotSize;
        std::uint8_t& byte = bits_.at(region)[slot / 8];
        const std::uint8_t bit = std::uint8_t(0x80 >> (slot % 8));
        if (bool(byte & bit) == used)
            throw std::logic_error(used ? "PST space allocated twice" : "PST space freed twice");
        byte = used ? std::uint8_t(byte | bit) : std::uint8_t(byte & ~bit);
    }
}

bool SpaceMap::isAllocated(std::uint64_t ib) const
{
    if (ib < kFirstAMapOffset) return true;
    const std::uint64_t region = (ib - kFirstAMapOffset) / kRegionSize;
    if (region >= bits_.size()) return false;
    const std::uint64_t slot = (ib - regionStart(region)) / kSlotSize;
    return bits_[region][slot / 8] & (0x80 >> (slot % 8));
}

void SpaceMap::keepForReuse(std::uint64_t ib, std::uint64_t size)
{
    // Space never written (alignment and region-end gaps) is reusable at once.
    while (size > 0) {
        const std::uint64_t slots = std::min(size / kSlotSize, kMaxBlockSlots);
        reusable_[slots].push_back(ib);
        ib += slots * kSlotSize;
        size -= slots * kSlotSize;
    }
}

std::uint64_t SpaceMap::allocateFresh(std::uint64_t size, std::uint64_t align)
{
    for (;;) {
        const std::uint64_t regionEnd = regionStart(bits_.size());
        const std::uint64_t at = (end_ + align - 1) / align * align;
        if (at + size <= regionEnd) {
            if (at > end_) keepForReuse(end_, at - end_);
            end_ = at + size;
            mark(at, size, true);
            return at;
        }
        if (regionEnd > end_) keepForReuse(end_, regionEnd - end_);
        openRegion();
    }
}

std::uint64_t SpaceMap::allocateBlock(std::uint64_t size)
{
    const std::uint64_t slots = size / kSlotSize;
    if (size == 0 || size % kSlotSize != 0 || slots > kMaxBlockSlots)
        throw std::logic_error("PST block size out of range");
    for (std::uint64_t n = slots; n <= kMaxBlockSlots; ++n) {
        if (reusable_[n].empty()) continue;
        const std::uint64_t ib = reusable_[n].back();
        reusable_[n].pop_back();
        if (n > slots) reusable_[n - slots].push_back(ib + size);
        mark(ib, size, true);
        return ib;
    }
    if (slots <= kPageSlots && !reusablePages_.empty()) {
        const std::uint64_t ib = reusablePages_.back();
        reusablePages_.pop_back();
        if (slots < kPageSlots) reusable_[kPageSlots - slots].push_back(ib + size);
        mark(ib, size, true);
        return ib;
    }
    return allocateFresh(size, kSlotSize);
}

std::uint64_t SpaceMap::allocatePage()
{
    if (!reusablePages_.empty()) {
        const std::uint64_t ib = reusablePages_.back();
        reusablePages_.pop_back();
        mark(ib, kPageSize, true);
        return ib;
    }
    return allocateFresh(kPageSize, kPageSize);
}

void SpaceMap::releaseBlock(std::uint64_t ib, std::uint64_t size, bool neverCommitted)
{
    mark(ib, size, false);
    if (neverCommitted) reusable_[size / kSlotSize].push_back(ib);
    else pendingBlocks_.emplace_back(ib, size);
}

void SpaceMap::releasePage(std::uint64_t ib)
{
    mark(ib, kPageSize, false);
    pendingPages_.push_back(ib);
}

void SpaceMap::endTransaction()
{
    for (const auto& [ib, size] : pendingBlocks_) reusable_[size / kSlotSize].push_back(ib);
    reusablePages_.insert(reusablePages_.end(), pendingPages_.begin(), pendingPages_.end());
    pendingBlocks_.clear();
    pendingPages_.clear();
}

std::uint64_t SpaceMap::freeBytes() const
{
    std::uint64_t used = 0;
    for (const auto& region : bits_)
        for (std::uint8_t byte : region) used += std::uint64_t(__builtin_popcount(byte));
    return (bits_.size() * kSlotsPerRegion - used) * kSlotSize;
}

std::uint8_t SpaceMap::longestFreeRun(std::uint64_t region) const
{
    std::uint64_t best = 0, run = 0;
    for (std::uint64_t slot = 0; slot < kSlotsPerRegion && best < 255; ++slot) {
        if (bits_[region][slot / 8] & (0x80 >> (slot % 8))) run = 0;
        else best = std::max(best, ++run);
    }
    return std::uint8_t(std::min<std::uint64_t>(best, 255));
}

} // namespace brenmoor::pst::ndb
