// A BTree-on-heap being written: sorted fixed-size records (key, then data) kept in
// heap allocations, with index levels above the leaves when one allocation cannot hold
// them all. Property contexts and the row index of table contexts are built on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pst/ltp/heap_on_node.h"

namespace brenmoor::pst::ltp {

// Where a tree's header and nodes sit in the heap, decided before the records are
// known, so that structures the records point to can be allocated after them.
struct BTreeOnHeapLayout {
    Hid header = 0;
    std::uint8_t keySize = 0;
    std::uint8_t dataSize = 0;
    std::size_t recordCount = 0;
    // levels[0] the leaves, in key order; each further level indexes the one below;
    // the last holds the root alone. Empty for a tree without records.
    std::vector<std::vector<Hid>> levels;
};

// Reserves the header and every node of a tree of recordCount records.
BTreeOnHeapLayout reserveBTreeOnHeap(HeapOnNodeBuilder& heap, std::uint8_t keySize,
                                     std::uint8_t dataSize, std::size_t recordCount);
// The same with the header's 8 bytes reserved by the caller beforehand.
BTreeOnHeapLayout reserveBTreeOnHeap(HeapOnNodeBuilder& heap, Hid header, std::uint8_t keySize,
                                     std::uint8_t dataSize, std::size_t recordCount);
// Reserves room for a tree's header.
Hid reserveBTreeOnHeapHeader(HeapOnNodeBuilder& heap);

// Writes the records (recordCount records of keySize + dataSize bytes, keys as
// little-endian unsigned integers in ascending order, no two equal) and the header.
// Throws std::invalid_argument when the records are not that.
void fillBTreeOnHeap(HeapOnNodeBuilder& heap, const BTreeOnHeapLayout& layout,
                     std::span<const std::uint8_t> records);

// Both steps at once; returns the HID of the tree's header.
Hid writeBTreeOnHeap(HeapOnNodeBuilder& heap, std::uint8_t keySize, std::uint8_t dataSize,
                     std::span<const std::uint8_t> records);

} // namespace brenmoor::pst::ltp
