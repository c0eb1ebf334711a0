// The heap-on-node and BTree-on-heap as a reader finds them: page headers and maps on
// every page, fill levels where the format keeps them, allocations and tree records
// read back exactly, limits refused rather than written wrong.
#include <gtest/gtest.h>

#include <stdexcept>

#include "held_node.h"
#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/util/errors.h"

using namespace brenmoor::pst::ltp;
namespace check = brenmoor::pstcheck;
using held::Bytes;
using held::fromHex;

namespace {

Bytes pattern(std::size_t size, std::uint32_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t(seed * 31 + i * 7);
    return b;
}

TEST(HeapOnNode, ManyPagesKeepHeadersMapsAndFillLevels)
{
    // Two 3000-byte allocations fill a page; 300 of them need 150 pages, so the heap
    // has bitmap headers on pages 8 and 136. A small allocation joins each pair.
    HeapOnNodeBuilder heap(kClientTableContext);
    std::vector<std::pair<Hid, Bytes>> written;
    for (std::uint32_t i = 0; i < 450; ++i) {
        Bytes b = pattern(i % 3 == 2 ? 17 : 3000, i);
        written.emplace_back(heap.allocate(b), b);
    }
    heap.setUserRoot(written[5].first);
    const check::NodeFrame frame = held::frameOf({heap.takeBlocks(), {}});

    check::Findings findings;
    const check::Heap read(frame, "heap", findings);
    EXPECT_EQ(read.clientSig(), 0x7C);
    EXPECT_EQ(read.userRoot(), written[5].first);
    ASSERT_GT(read.pageCount(), 137u);
    for (const auto& [hid, bytes] : written)
        ASSERT_EQ(read.item(hid, "allocation"), bytes) << std::hex << hid;

    // Each page's level says how much of its 8176 bytes is still free.
    for (std::size_t i = 0; i < read.pageCount(); ++i)
        EXPECT_EQ(read.fillLevel(i), fillLevel(8176 - frame.pages[i].size())) << "page " << i;
    // Two 3000-byte allocations and a 17-byte one leave 2145 bytes: level 2.
    EXPECT_EQ(read.fillLevel(1), 2);
    EXPECT_EQ(read.fillLevel(140), 2);
    held::expectClean(findings);
}

TEST(HeapOnNode, LaterAllocationsUseRoomLeftInEarlierPages)
{
    HeapOnNodeBuilder heap(kClientPropertyContext);
    heap.allocate(pattern(3000, 1));
    heap.allocate(pattern(3000, 2));
    EXPECT_EQ(hidPage(heap.allocate(pattern(3000, 3))), 1u); // page 0 is too full
    EXPECT_EQ(hidPage(heap.allocate(pattern(3500, 4))), 1u);
    const Hid back = heap.allocate(pattern(2000, 5)); // fits only where page 0 has room
    EXPECT_EQ(hidPage(back), 0u);
    EXPECT_EQ(hidAllocIndex(back), 3u);

    const check::NodeFrame frame = held::frameOf({heap.takeBlocks(), {}});
    ASSERT_EQ(frame.pages.size(), 2u);
    check::Findings findings;
    EXPECT_EQ(check::Heap(frame, "heap", findings).item(back, "allocation"), pattern(2000, 5));
    held::expectClean(findings);
}

TEST(HeapOnNode, FillLevelBoundaries)
{
    const std::pair<std::size_t, int> cases[] = {
        {8176, 0}, {3584, 0}, {3583, 1}, {2560, 1}, {2559, 2}, {2048, 2}, {1792, 3},
        {1536, 4}, {1280, 5}, {1024, 6}, {768, 7}, {512, 8}, {256, 9}, {128, 10},
        {64, 11}, {32, 12}, {16, 13}, {8, 14}, {7, 15}, {0, 15}};
    for (const auto& [free, level] : cases)
        EXPECT_EQ(fillLevel(free), level) << free << " bytes free";
}

TEST(HeapOnNode, AllocationLimitsAndOddSizes)
{
    HeapOnNodeBuilder heap(kClientPropertyContext);
    EXPECT_THROW(heap.reserve(3581), brenmoor::pst::FormatLimitError);
    const Hid largest = heap.allocate(pattern(3580, 1));
    const Hid odd = heap.allocate(pattern(3, 2)); // leaves the page map to be padded
    const Hid empty = heap.reserve(0);
    EXPECT_THROW(heap.bytesAt(0), std::out_of_range);
    EXPECT_THROW(heap.bytesAt(makeHid(7, 1)), std::out_of_range);

    const check::NodeFrame frame = held::frameOf({heap.takeBlocks(), {}});
    check::Findings findings;
    const check::Heap read(frame, "heap", findings);
    EXPECT_EQ(read.item(largest, "allocation"), pattern(3580, 1));
    EXPECT_EQ(read.item(odd, "allocation"), pattern(3, 2));
    EXPECT_EQ(read.item(empty, "allocation"), Bytes{});
    EXPECT_EQ(findings.problems, std::vector<std::string>{});
    // Nothing is ever freed: cFree stays 0, even beside an empty allocation.
    EXPECT_EQ(findings.warnings, std::vector<std::string>{"heap: heap page 0: cFree 0 but 1 freed (empty) allocations"});

    // An empty heap is still a heap: one page with its header and an empty map.
    HeapOnNodeBuilder none(kClientPropertyContext);
    const std::vector<Bytes> blocks = none.takeBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], fromHex("0c00ecbc 00000000 00000000 0000 0000 0c00"));
}

TEST(BTreeOnHeap, SeveralLevelsReadBackInOrder)
{
    // 447 records of 8 bytes fit a leaf and 447 child references an index node, so
    // 200,000 records need two index levels above the leaves.
    const std::size_t count = 200000;
    Bytes records(count * 8);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t key = i * 3 + 1, value = ~i;
        for (int b = 0; b < 4; ++b) {
            records[8 * i + b] = std::uint8_t(key >> (8 * b));
            records[8 * i + 4 + b] = std::uint8_t(value >> (8 * b));
        }
    }
    HeapOnNodeBuilder heap(kClientBTreeOnHeap);
    const Hid header = writeBTreeOnHeap(heap, 4, 4, records);
    heap.setUserRoot(header);
    const check::NodeFrame frame = held::frameOf({heap.takeBlocks(), {}});

    check::Findings findings;
    const check::Heap read(frame, "heap", findings);
    const auto bth = check::readBth(read, read.userRoot(), "tree");
    held::expectClean(findings);
    ASSERT_TRUE(bth);
    EXPECT_EQ(bth->levels, 2);
    ASSERT_EQ(bth->records.size(), count);
    for (std::size_t i = 0; i < count; i += 997) {
        EXPECT_EQ(bth->records[i].key, Bytes(records.begin() + 8 * i, records.begin() + 8 * i + 4));
        EXPECT_EQ(bth->records[i].data, Bytes(records.begin() + 8 * i + 4, records.begin() + 8 * i + 8));
    }
    EXPECT_EQ(bth->records.back().key, Bytes(records.end() - 8, records.end() - 4));
}

TEST(BTreeOnHeap, EmptyOneLeafAndBadInput)
{
    HeapOnNodeBuilder heap(kClientBTreeOnHeap);
    const Hid empty = writeBTreeOnHeap(heap, 2, 6, {});
    Bytes records(447 * 8, 0); // exactly one full leaf
    for (std::size_t i = 0; i < 447; ++i)
        records[8 * i] = std::uint8_t(i), records[8 * i + 1] = std::uint8_t(i >> 8);
    const Hid full = writeBTreeOnHeap(heap, 2, 6, records);

    // Keys compare as little-endian numbers: 0x0100 comes after 0x00FF.
    const Bytes unsorted = fromHex("0001 000000000000 ff00 000000000000");
    EXPECT_THROW(writeBTreeOnHeap(heap, 2, 6, unsorted), std::invalid_argument);
    const Bytes duplicate = fromHex("0100 000000000000 0100 000000000000");
    EXPECT_THROW(writeBTreeOnHeap(heap, 2, 6, duplicate), std::invalid_argument);
    EXPECT_THROW(writeBTreeOnHeap(heap, 2, 6, Bytes(7)), std::invalid_argument);

    const check::NodeFrame frame = held::frameOf({heap.takeBlocks(), {}});
    check::Findings findings;
    const check::Heap read(frame, "heap", findings);
    EXPECT_EQ(read.item(empty, "empty tree"), fromHex("b5020600 00000000"));
    const auto bth = check::readBth(read, full, "full leaf");
    held::expectClean(findings);
    ASSERT_TRUE(bth);
    EXPECT_EQ(bth->levels, 0);
    EXPECT_EQ(bth->records.size(), 447u);
}

} // namespace
