// A heap-on-node being built: the small allocator that property and table contexts
// keep their structures in. Allocations are addressed by HIDs; each heap page becomes
// one data block of the node, with its page map at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/property_value.h"

namespace brenmoor::pst::ltp {

// A heap ID: hidType 0 in the low five bits, the 1-based allocation index in the next
// eleven, the page (block) index in the high sixteen. 0 means "no allocation".
using Hid = std::uint32_t;

constexpr Hid makeHid(std::uint32_t pageIndex, std::uint32_t allocIndex)
{
    return (pageIndex << 16) | (allocIndex << 5);
}
constexpr std::uint32_t hidPage(Hid hid) { return hid >> 16; }
constexpr std::uint32_t hidAllocIndex(Hid hid) { return (hid >> 5) & 0x7FF; }

// The largest single allocation a heap takes.
inline constexpr std::size_t kMaxHeapAllocation = 3580;

// Client signatures of the heap's first header.
inline constexpr std::uint8_t kClientTableContext = 0x7C;
inline constexpr std::uint8_t kClientBTreeOnHeap = 0xB5;
inline constexpr std::uint8_t kClientPropertyContext = 0xBC;

// The fill level (0 empty .. 15 full) a page with that many free bytes reports.
std::uint8_t fillLevel(std::size_t freeBytes);

class HeapOnNodeBuilder {
public:
    explicit HeapOnNodeBuilder(std::uint8_t clientSignature);

    // Copies the bytes into a new allocation. Throws FormatLimitError above
    // kMaxHeapAllocation bytes or when the heap cannot take more pages.
    Hid allocate(std::span<const std::uint8_t> bytes);
    // A new zero-filled allocation, to be filled in through bytesAt().
    Hid reserve(std::size_t size) { return place(size, nullptr); }
    std::span<std::uint8_t> bytesAt(Hid hid);

    void setUserRoot(Hid hid) { userRoot_ = hid; }

    // The heap's pages, each a complete block: header, allocations, page map; an
    // empty block in place of each page taken with takePage(). Hands the pages over:
    // the builder is empty afterwards.
    std::vector<Bytes> takeBlocks();

    // For a heap whose pages are written out as they fill: pages from the second up to
    // (not including) `page` take no more allocations.
    void closePagesBefore(std::size_t page);
    std::size_t pageCount() const { return pages_.size(); }
    // Whether takePage(page) may be called: the page is closed, not yet taken, and
    // where it records fill levels (every 128th page from the ninth), so are the pages
    // whose levels it records.
    bool canTakePage(std::size_t page) const;
    // The complete block of such a page. Its bytes are dropped; its fill level is kept
    // for the pages that record it.
    Bytes takePage(std::size_t page);

private:
    // A new allocation of size bytes, copied from bytes, or zero-filled where null.
    Hid place(std::size_t size, const std::uint8_t* bytes);
    struct Page {
        Bytes data;                        // header space, then the allocations
        std::vector<std::uint16_t> starts; // offset of each allocation, in order
        bool taken = false;
        std::uint8_t level = 0; // the fill level, once taken
    };
    static std::size_t headerSize(std::size_t pageIndex);
    static std::size_t pageSize(std::size_t used, std::size_t allocations);
    std::uint8_t levelOf(const Page& page) const;
    // The page's block without the fill levels it may record.
    static Bytes finish(Page& page);
    void writeLevels(Bytes& block, std::size_t page) const;

    std::uint8_t clientSignature_;
    Hid userRoot_ = 0;
    std::vector<Page> pages_;
    std::size_t closedBefore_ = 0;
};

} // namespace brenmoor::pst::ltp
