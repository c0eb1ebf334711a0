// Lays out a heap-on-node page by page: HNHDR on the first page, HNBITMAPHDR on page
// 8 and every 128th page after it, HNPAGEHDR on the others, and an HNPAGEMAP after the
// last allocation of every page.
#include "pst/ltp/heap_on_node.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ndb/node_database.h"
#include "pst/util/errors.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::ltp {

namespace {

constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::size_t kFirstHeaderSize = 12;  // HNHDR
constexpr std::size_t kPageHeaderSize = 2;    // HNPAGEHDR
constexpr std::size_t kBitmapHeaderSize = 66; // HNBITMAPHDR
constexpr std::size_t kMaxPages = 0x10000;    // hidBlockIndex is 16 bits
constexpr std::size_t kMaxAllocationsPerPage = 0x7FF; // hidIndex is 11 bits
constexpr std::size_t kPagesTried = 16; // pages looked at for room before a new one
constexpr std::size_t kStartsReserved = 128; // allocations a page makes room for at once

bool isBitmapPage(std::size_t pageIndex)
{
    return pageIndex >= 8 && (pageIndex - 8) % 128 == 0;
}

} // namespace

std::uint8_t fillLevel(std::size_t freeBytes)
{
    // Lower bounds of free space for levels 0..14; below 8 bytes the page is full.
    static constexpr std::size_t kAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                               512,  256,  128,  64,   32,   16,   8};
    for (std::uint8_t level = 0; level < 15; ++level)
        if (freeBytes >= kAtLeast[level])
            return level;
    return 15;
}

HeapOnNodeBuilder::HeapOnNodeBuilder(std::uint8_t clientSignature)
    : clientSignature_(clientSignature)
{
}

std::size_t HeapOnNodeBuilder::headerSize(std::size_t pageIndex)
{
    if (pageIndex == 0)
        return kFirstHeaderSize;
    return isBitmapPage(pageIndex) ? kBitmapHeaderSize : kPageHeaderSize;
}

// A page's block size: used bytes, padding to an even offset, then the page map of
// cAlloc, cFree and cAlloc + 1 offsets.
std::size_t HeapOnNodeBuilder::pageSize(std::size_t used, std::size_t allocations)
{
    return used + (used & 1) + 4 + 2 * (allocations + 1);
}

Hid HeapOnNodeBuilder::place(std::size_t size, const std::uint8_t* bytes)
{
    if (size > kMaxHeapAllocation)
        throw FormatLimitError("heap allocation of " + std::to_string(size)
                                + " bytes exceeds the largest the format allows");
    auto fits = [&](const Page& page) {
        return page.starts.size() < kMaxAllocationsPerPage
            && pageSize(page.data.size() + size, page.starts.size() + 1) <= ndb::kMaxBlockData;
    };
    // The last pages first, newest to oldest, so that a large allocation that opened
    // a page does not leave the room before it unused; then a new page.
    std::size_t target = pages_.size();
    const std::size_t oldest =
        std::max(closedBefore_, pages_.size() > kPagesTried ? pages_.size() - kPagesTried : 0);
    for (std::size_t i = pages_.size(); i-- > oldest;) {
        if (fits(pages_[i])) {
            target = i;
            break;
        }
    }
    if (target == pages_.size()) {
        if (pages_.size() >= kMaxPages)
            throw FormatLimitError("heap has no room for more pages");
        Page page;
        // A page fills up to a block before the next is opened: its room at once, and
        // not as many times over as it grows.
        page.data.reserve(ndb::kMaxBlockData);
        page.starts.reserve(kStartsReserved);
        page.data.resize(headerSize(pages_.size()));
        pages_.push_back(std::move(page));
    }
    Page& page = pages_[target];
    page.starts.push_back(std::uint16_t(page.data.size()));
    if (bytes) page.data.insert(page.data.end(), bytes, bytes + size);
    else page.data.resize(page.data.size() + size);
    return makeHid(std::uint32_t(target), std::uint32_t(page.starts.size()));
}

Hid HeapOnNodeBuilder::allocate(std::span<const std::uint8_t> bytes)
{
    return place(bytes.size(), bytes.data());
}

std::span<std::uint8_t> HeapOnNodeBuilder::bytesAt(Hid hid)
{
    const std::uint32_t pageIndex = hidPage(hid);
    const std::uint32_t index = hidAllocIndex(hid);
    if ((hid & 0x1F) != 0 || pageIndex >= pages_.size() || index == 0
        || index > pages_[pageIndex].starts.size())
        throw std::out_of_range("no heap allocation with HID " + std::to_string(hid));
    Page& page = pages_[pageIndex];
    const std::size_t begin = page.starts[index - 1];
    const std::size_t end = index < page.starts.size() ? page.starts[index] : page.data.size();
    return std::span<std::uint8_t>(page.data.data() + begin, end - begin);
}

std::uint8_t HeapOnNodeBuilder::levelOf(const Page& page) const
{
    return page.taken ? page.level : fillLevel(ndb::kMaxBlockData - pageSize(page.data.size(), page.starts.size()));
}

Bytes HeapOnNodeBuilder::finish(Page& page)
{
    const std::size_t used = page.data.size();
    Bytes block = std::move(page.data);
    block.resize(pageSize(used, page.starts.size()), 0);
    const std::size_t map = used + (used & 1);
    putU16(block.data(), std::uint32_t(map));
    putU16(block.data() + map, std::uint32_t(page.starts.size()));
    putU16(block.data() + map + 2, 0);
    std::size_t at = map + 4;
    for (std::uint16_t start : page.starts) {
        putU16(block.data() + at, start);
        at += 2;
    }
    putU16(block.data() + at, std::uint32_t(used));
    page.starts = {};
    return block;
}

// Fill levels: the first header covers pages 0-7, each bitmap header the 128 pages
// from its own; two pages a byte, the lower-numbered page in the low nibble.
void HeapOnNodeBuilder::writeLevels(Bytes& block, std::size_t page) const
{
    const std::size_t at = page == 0 ? 8 : 2;
    const std::size_t count = page == 0 ? 8 : 128;
    for (std::size_t k = 0; k < count && page + k < pages_.size(); ++k)
        block[at + k / 2] |= std::uint8_t(levelOf(pages_[page + k]) << (4 * (k % 2)));
}

std::vector<Bytes> HeapOnNodeBuilder::takeBlocks()
{
    if (pages_.empty()) {
        Page page;
        page.data.resize(kFirstHeaderSize);
        pages_.push_back(std::move(page));
    }
    for (Page& page : pages_)
        if (!page.taken) page.level = levelOf(page);
    std::vector<Bytes> blocks;
    blocks.reserve(pages_.size());
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i].taken) {
            blocks.emplace_back();
            continue;
        }
        blocks.push_back(finish(pages_[i]));
        pages_[i].taken = true;
        if (i == 0 || isBitmapPage(i)) writeLevels(blocks.back(), i);
    }
    Bytes& head = blocks[0];
    head[2] = kHeapSignature;
    head[3] = clientSignature_;
    putU32(head.data() + 4, userRoot_);
    pages_.clear();
    closedBefore_ = 0;
    return blocks;
}

void HeapOnNodeBuilder::closePagesBefore(std::size_t page)
{
    closedBefore_ = std::max(closedBefore_, std::min(page, pages_.size()));
}

bool HeapOnNodeBuilder::canTakePage(std::size_t page) const
{
    if (page == 0 || page >= closedBefore_ || pages_[page].taken) return false;
    return !isBitmapPage(page) || page + 128 <= closedBefore_;
}

Bytes HeapOnNodeBuilder::takePage(std::size_t page)
{
    if (!canTakePage(page)) throw std::logic_error("heap page " + std::to_string(page) + " cannot be taken yet");
    Page& p = pages_[page];
    const std::uint8_t level = levelOf(p);
    Bytes block = finish(p);
    p.data = {};
    p.taken = true;
    p.level = level;
    if (isBitmapPage(page)) writeLevels(block, page);
    return block;
}

} // namespace brenmoor::pst::ltp
