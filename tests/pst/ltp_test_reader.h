// A small reader of heap-on-node, BTree-on-heap, property context and table context
// structures, written from the format's description for the tests of pst/ltp: it
// decodes a node's blocks the way a store reader would and checks each structure's
// invariants as it goes (gtest failures, not exceptions).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "pst/ndb/node_database.h"

namespace ltp_test {

namespace ndb = brenmoor::pst::ndb;
using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t u16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
inline std::uint32_t u32(const Bytes& b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

inline Bytes concat(const std::vector<Bytes>& blocks)
{
    Bytes all;
    for (const Bytes& b : blocks)
        all.insert(all.end(), b.begin(), b.end());
    return all;
}

// One heap page as found in a block.
struct Page {
    std::size_t headerSize = 0;
    std::uint32_t mapOffset = 0;
    std::vector<std::uint32_t> offsets; // cAlloc + 1 entries
};

struct Heap {
    std::uint8_t clientSig = 0;
    std::uint32_t userRoot = 0;
    std::vector<Bytes> blocks;
    std::vector<Page> pages;
    std::vector<std::uint8_t> fillLevels; // as recorded in the headers, one per page

    // The bytes of an allocation; fails the test for a HID that names none.
    Bytes at(std::uint32_t hid) const
    {
        const std::uint32_t page = hid >> 16, index = (hid >> 5) & 0x7FF;
        EXPECT_EQ(hid & 0x1F, 0u) << "HID type of " << hid;
        if (page >= pages.size() || index == 0 || index >= pages[page].offsets.size()) {
            ADD_FAILURE() << "no allocation for HID " << std::hex << hid;
            return {};
        }
        const Page& p = pages[page];
        return Bytes(blocks[page].begin() + p.offsets[index - 1], blocks[page].begin() + p.offsets[index]);
    }
};

inline Heap readHeap(const ndb::NodeContent& node)
{
    Heap heap;
    heap.blocks = node.blocks;
    EXPECT_FALSE(node.blocks.empty()) << "a heap has at least one page";
    for (std::size_t i = 0; i < node.blocks.size(); ++i) {
        const Bytes& b = node.blocks[i];
        EXPECT_LE(b.size(), 8176u) << "page " << i;
        Page page;
        if (i == 0) {
            page.headerSize = 12;
            EXPECT_EQ(b.at(2), 0xEC) << "bSig";
            heap.clientSig = b.at(3);
            heap.userRoot = u32(b, 4);
            for (std::size_t k = 0; k < 8; ++k)
                heap.fillLevels.push_back((b.at(8 + k / 2) >> (4 * (k % 2))) & 0xF);
        } else if ((i - 8) % 128 == 0 && i >= 8) {
            page.headerSize = 66;
            for (std::size_t k = 0; k < 128; ++k)
                heap.fillLevels.push_back((b.at(2 + k / 2) >> (4 * (k % 2))) & 0xF);
        } else {
            page.headerSize = 2;
        }
        page.mapOffset = u16(b, 0);
        EXPECT_EQ(page.mapOffset % 2, 0u) << "page map of page " << i << " on an even offset";
        const std::uint32_t cAlloc = u16(b, page.mapOffset);
        EXPECT_EQ(u16(b, page.mapOffset + 2), 0u) << "cFree of page " << i;
        EXPECT_EQ(b.size(), page.mapOffset + 4 + 2 * (cAlloc + 1)) << "page map ends the block " << i;
        for (std::uint32_t k = 0; k <= cAlloc; ++k)
            page.offsets.push_back(u16(b, page.mapOffset + 4 + 2 * k));
        EXPECT_EQ(page.offsets.front(), page.headerSize) << "first allocation follows the header, page " << i;
        for (std::size_t k = 1; k < page.offsets.size(); ++k)
            EXPECT_LE(page.offsets[k - 1], page.offsets[k]) << "allocations in order, page " << i;
        EXPECT_TRUE(page.offsets.back() == page.mapOffset || page.offsets.back() + 1 == page.mapOffset)
            << "page map right after the last allocation, page " << i;
        for (std::size_t k = 1; k < page.offsets.size(); ++k)
            EXPECT_LE(page.offsets[k] - page.offsets[k - 1], 3580u) << "allocation size, page " << i;
        heap.pages.push_back(std::move(page));
    }
    heap.fillLevels.resize(std::max(heap.fillLevels.size(), node.blocks.size()));
    return heap;
}

struct Bth {
    std::uint8_t keySize = 0, dataSize = 0, levels = 0;
    std::vector<std::pair<Bytes, Bytes>> records; // in tree order
};

inline int compareKey(const Bytes& a, const Bytes& b)
{
    for (std::size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

// Walks the tree, checking that each index record's key is its child's first key.
inline void walkBth(const Heap& heap, Bth& bth, std::uint32_t hid, int level, const Bytes* expectFirst)
{
    const Bytes node = heap.at(hid);
    const std::size_t size = bth.keySize + (level == 0 ? bth.dataSize : 4);
    ASSERT_TRUE(!node.empty() && node.size() % size == 0) << "BTH node size " << node.size();
    for (std::size_t at = 0; at < node.size(); at += size) {
        Bytes key(node.begin() + at, node.begin() + at + bth.keySize);
        if (at == 0 && expectFirst) {
            EXPECT_EQ(key, *expectFirst) << "index key is the child's first key";
        }
        if (level == 0)
            bth.records.emplace_back(key, Bytes(node.begin() + at + bth.keySize, node.begin() + at + size));
        else
            walkBth(heap, bth, u32(node, at + bth.keySize), level - 1, &key);
    }
}

inline Bth readBth(const Heap& heap, std::uint32_t headerHid)
{
    Bth bth;
    const Bytes header = heap.at(headerHid);
    EXPECT_EQ(header.size(), 8u);
    if (header.size() != 8)
        return bth;
    EXPECT_EQ(header[0], 0xB5) << "bType";
    bth.keySize = header[1];
    bth.dataSize = header[2];
    bth.levels = header[3];
    if (u32(header, 4) != 0)
        walkBth(heap, bth, u32(header, 4), bth.levels, nullptr);
    for (std::size_t i = 1; i < bth.records.size(); ++i)
        EXPECT_LT(compareKey(bth.records[i - 1].first, bth.records[i].first), 0) << "keys ascending, " << i;
    return bth;
}

inline const ndb::NodeContent* findSubnode(const ndb::NodeContent& node, std::uint32_t nid)
{
    for (const auto& [n, content] : node.subnodes)
        if (n == nid)
            return &content;
    return nullptr;
}

// An HNID's bytes: 0 is an empty value, a HID names a heap allocation, anything else a
// subnode of the node.
inline Bytes resolve(const ndb::NodeContent& node, const Heap& heap, std::uint32_t hnid)
{
    if (hnid == 0)
        return {};
    if ((hnid & 0x1F) == 0)
        return heap.at(hnid);
    const ndb::NodeContent* sub = findSubnode(node, hnid);
    EXPECT_NE(sub, nullptr) << "no subnode " << std::hex << hnid;
    if (!sub)
        return {};
    for (const Bytes& b : sub->blocks)
        EXPECT_LE(b.size(), 8176u);
    return concat(sub->blocks);
}

inline std::size_t fixedSizeOf(std::uint16_t type)
{
    switch (type) {
    case 0x000B: return 1;
    case 0x0002: return 2;
    case 0x0003: case 0x0004: case 0x000A: return 4;
    case 0x0005: case 0x0006: case 0x0007: case 0x0014: case 0x0040: return 8;
    case 0x0048: return 16;
    default: return 0;
    }
}

// A property context: tag -> value bytes (fixed-size values at their type's size).
inline std::map<std::uint32_t, Bytes> readPropertyContext(const ndb::NodeContent& node)
{
    std::map<std::uint32_t, Bytes> props;
    const Heap heap = readHeap(node);
    EXPECT_EQ(heap.clientSig, 0xBC);
    const Bth bth = readBth(heap, heap.userRoot);
    EXPECT_EQ(bth.keySize, 2);
    EXPECT_EQ(bth.dataSize, 6);
    for (const auto& [key, data] : bth.records) {
        const std::uint32_t type = u16(data, 0);
        const std::uint32_t value = u32(data, 2);
        const std::size_t size = fixedSizeOf(std::uint16_t(type));
        Bytes bytes;
        if (size != 0 && size <= 4)
            bytes = Bytes(data.begin() + 2, data.begin() + 2 + size);
        else
            bytes = resolve(node, heap, value);
        props[(u16(key, 0) << 16) | type] = bytes;
    }
    return props;
}

struct Column {
    std::uint32_t tag;
    std::uint32_t offset, size, bit;
};

struct Table {
    std::vector<Column> columns;
    std::uint32_t ends[4] = {};
    std::uint32_t hnidRows = 0;
    std::vector<std::uint32_t> rowIds; // by row index
    std::vector<std::map<std::uint32_t, Bytes>> rows; // existing cells only
};

inline Table readTableContext(const ndb::NodeContent& node)
{
    Table table;
    const Heap heap = readHeap(node);
    EXPECT_EQ(heap.clientSig, 0x7C);
    const Bytes info = heap.at(heap.userRoot);
    if (info.size() < 22)
        return ADD_FAILURE() << "TCINFO too short", table;
    EXPECT_EQ(info[0], 0x7C);
    const std::size_t cols = info[1];
    EXPECT_EQ(info.size(), 22 + 8 * cols);
    for (int i = 0; i < 4; ++i)
        table.ends[i] = u16(info, 2 + 2 * i);
    const std::uint32_t rowSize = table.ends[3];
    EXPECT_EQ(rowSize, table.ends[2] + (cols + 7) / 8) << "bitmap ends the row";
    table.hnidRows = u32(info, 14);
    EXPECT_EQ(u32(info, 18), 0u) << "hidIndex";
    for (std::size_t c = 0; c < cols; ++c) {
        Column col{u32(info, 22 + 8 * c), u16(info, 26 + 8 * c), info[28 + 8 * c], info[29 + 8 * c]};
        if (c > 0) {
            EXPECT_LT(table.columns.back().tag, col.tag) << "descriptors sorted by tag";
        }
        // The column sits in the group its size belongs to.
        const std::uint32_t groupBegin = col.size >= 4 ? 0 : col.size == 2 ? table.ends[0] : table.ends[1];
        const std::uint32_t groupEnd = col.size >= 4 ? table.ends[0] : col.size == 2 ? table.ends[1] : table.ends[2];
        EXPECT_TRUE(col.offset >= groupBegin && col.offset + col.size <= groupEnd) << std::hex << col.tag;
        EXPECT_LT(col.bit, cols);
        table.columns.push_back(col);
    }

    const Bth index = readBth(heap, u32(info, 10));
    EXPECT_EQ(index.keySize, 4);
    EXPECT_EQ(index.dataSize, 4);
    const std::size_t rowCount = index.records.size();
    table.rowIds.assign(rowCount, 0);
    std::vector<bool> seen(rowCount);
    for (const auto& [key, data] : index.records) {
        const std::uint32_t at = u32(data, 0);
        EXPECT_LT(at, rowCount) << "row index within the matrix";
        if (at < rowCount) {
            EXPECT_FALSE(seen[at]);
            seen[at] = true;
            table.rowIds[at] = u32(key, 0);
        }
    }

    Bytes matrix;
    if (rowCount == 0) {
        EXPECT_EQ(table.hnidRows, 0u) << "an empty table has no row matrix";
    } else if ((table.hnidRows & 0x1F) == 0) {
        matrix = heap.at(table.hnidRows);
    } else {
        const ndb::NodeContent* sub = findSubnode(node, table.hnidRows);
        EXPECT_NE(sub, nullptr) << "row matrix subnode";
        if (sub) {
            // Whole rows per block; every block but the last padded with zeros to 8176
            // bytes, as readers that step through the matrix in full blocks expect.
            const std::size_t perBlock = 8176 / rowSize;
            for (std::size_t b = 0; b < sub->blocks.size(); ++b) {
                const Bytes& block = sub->blocks[b];
                if (b + 1 < sub->blocks.size()) {
                    EXPECT_EQ(block.size(), 8176u) << "padded block " << b;
                    EXPECT_TRUE(std::all_of(block.begin() + std::ptrdiff_t(perBlock * rowSize), block.end(),
                                            [](std::uint8_t x) { return x == 0; }))
                        << "padding of block " << b;
                    if (block.size() >= perBlock * rowSize)
                        matrix.insert(matrix.end(), block.begin(), block.begin() + std::ptrdiff_t(perBlock * rowSize));
                } else {
                    EXPECT_EQ(block.size() % rowSize, 0u) << "whole rows in the last block";
                    matrix.insert(matrix.end(), block.begin(), block.end());
                }
            }
        }
    }
    EXPECT_EQ(matrix.size(), rowCount * rowSize);
    if (matrix.size() != rowCount * rowSize)
        return table;
    for (std::size_t r = 0; r < rowCount; ++r) {
        const std::size_t row = r * rowSize;
        std::map<std::uint32_t, Bytes> cells;
        for (const Column& col : table.columns) {
            const std::uint8_t bits = matrix[row + table.ends[2] + col.bit / 8];
            if (!(bits & (0x80 >> (col.bit % 8))))
                continue;
            const std::size_t fixed = fixedSizeOf(std::uint16_t(col.tag & 0xFFFF));
            Bytes cell(matrix.begin() + row + col.offset, matrix.begin() + row + col.offset + col.size);
            if (fixed == 0 || fixed > 8)
                cell = resolve(node, heap, u32(cell, 0));
            cells[col.tag] = cell;
        }
        table.rows.push_back(std::move(cells));
    }
    return table;
}

// Bytes from hex digits; spaces between them are for reading only.
inline Bytes fromHex(std::string_view hex)
{
    Bytes out;
    int high = -1;
    for (char c : hex) {
        if (c == ' ')
            continue;
        const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(std::uint8_t(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

} // namespace ltp_test
