// The file's space as the allocation maps record it: which 64-byte slots of each
// region are in use, where the next block or page goes, and which freed space may be
// reused. Space freed while a committed store still points at it becomes reusable
// only after the next commit, so an interrupted run leaves the last commit intact.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pst/ndb/format.h"

namespace brenmoor::pst::ndb {

class SpaceMap {
public:
    SpaceMap();

    // Space for a block of `size` bytes (a multiple of 64, at most 8192), never
    // crossing a region's end.
    std::uint64_t allocateBlock(std::uint64_t size);
    // A 512-byte page on a 512-byte boundary.
    std::uint64_t allocatePage();
    // Marks space free in the maps; reusable after the next endTransaction(), or at
    // once where no commit ever pointed at it.
    void releaseBlock(std::uint64_t ib, std::uint64_t size, bool neverCommitted = false);
    void releasePage(std::uint64_t ib);
    // A commit is on disk: space freed before it may be reused.
    void endTransaction();

    std::uint64_t regionCount() const { return bits_.size(); }
    // The end of the last region: the file is this long once committed.
    std::uint64_t fileEnd() const { return regionStart(bits_.size()); }
    std::uint64_t freeBytes() const;
    const std::array<std::uint8_t, kPageDataSize>& regionBits(std::uint64_t region) const { return bits_[region]; }
    // The longest run of free slots in a region, capped at 255 (a free map's byte).
    std::uint8_t longestFreeRun(std::uint64_t region) const;
    bool isAllocated(std::uint64_t ib) const;

private:
    std::uint64_t allocateFresh(std::uint64_t size, std::uint64_t align);
    void openRegion();
    void keepForReuse(std::uint64_t ib, std::uint64_t size);
    void mark(std::uint64_t ib, std::uint64_t size, bool used);

    std::vector<std::array<std::uint8_t, kPageDataSize>> bits_;
    std::uint64_t end_ = 0; // first offset never handed out
    // Free runs by length in slots (index 1..128), and free pages.
    std::vector<std::vector<std::uint64_t>> reusable_;
    std::vector<std::uint64_t> reusablePages_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pendingBlocks_;
    std::vector<std::uint64_t> pendingPages_;
};

} // namespace brenmoor::pst::ndb
