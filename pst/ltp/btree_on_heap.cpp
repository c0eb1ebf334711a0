// Writes BTHHEADER and the tree's nodes: leaves full in key order, then index levels
// of (first key of the child, child's HID) until one node is left as the root.
#include "pst/ltp/btree_on_heap.h"

#include <algorithm>
#include <stdexcept>

#include "pst/util/little_endian.h"

namespace brenmoor::pst::ltp {

namespace {

constexpr std::uint8_t kBTreeOnHeapType = 0xB5;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kChildRefSize = 4;

std::size_t ceilDiv(std::size_t a, std::size_t b) { return (a + b - 1) / b; }

// Little-endian unsigned keys: compare from the most significant byte down.
int compareKeys(const std::uint8_t* a, const std::uint8_t* b, std::size_t size)
{
    for (std::size_t i = size; i-- > 0;)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

} // namespace

Hid reserveBTreeOnHeapHeader(HeapOnNodeBuilder& heap)
{
    return heap.reserve(kHeaderSize);
}

BTreeOnHeapLayout reserveBTreeOnHeap(HeapOnNodeBuilder& heap, std::uint8_t keySize,
                                     std::uint8_t dataSize, std::size_t recordCount)
{
    const Hid header = reserveBTreeOnHeapHeader(heap);
    return reserveBTreeOnHeap(heap, header, keySize, dataSize, recordCount);
}

BTreeOnHeapLayout reserveBTreeOnHeap(HeapOnNodeBuilder& heap, Hid header, std::uint8_t keySize,
                                     std::uint8_t dataSize, std::size_t recordCount)
{
    if (heap.bytesAt(header).size() != kHeaderSize)
        throw std::invalid_argument("BTree-on-heap header allocation has the wrong size");
    if (keySize == 0 || std::size_t(keySize) + dataSize > kMaxHeapAllocation
        || std::size_t(keySize) + kChildRefSize > kMaxHeapAllocation / 2)
        throw std::invalid_argument("BTree-on-heap record size out of range");
    BTreeOnHeapLayout layout;
    layout.keySize = keySize;
    layout.dataSize = dataSize;
    layout.recordCount = recordCount;
    layout.header = header;
    if (recordCount == 0)
        return layout;

    const std::size_t leafRecord = keySize + dataSize;
    const std::size_t indexRecord = keySize + kChildRefSize;
    const std::size_t perLeaf = kMaxHeapAllocation / leafRecord;
    const std::size_t perIndex = kMaxHeapAllocation / indexRecord;

    std::size_t below = recordCount;
    std::size_t perNode = perLeaf;
    std::size_t recordSize = leafRecord;
    do {
        const std::size_t nodes = ceilDiv(below, perNode);
        std::vector<Hid> level;
        level.reserve(nodes);
        for (std::size_t i = 0; i < nodes; ++i) {
            const std::size_t entries = std::min(perNode, below - i * perNode);
            level.push_back(heap.reserve(entries * recordSize));
        }
        layout.levels.push_back(std::move(level));
        below = nodes;
        perNode = perIndex;
        recordSize = indexRecord;
    } while (below > 1);
    return layout;
}

void fillBTreeOnHeap(HeapOnNodeBuilder& heap, const BTreeOnHeapLayout& layout,
                     std::span<const std::uint8_t> records)
{
    const std::size_t keySize = layout.keySize;
    const std::size_t leafRecord = keySize + layout.dataSize;
    if (records.size() != layout.recordCount * leafRecord)
        throw std::invalid_argument("BTree-on-heap records do not match the reserved size");
    for (std::size_t i = 1; i < layout.recordCount; ++i)
        if (compareKeys(&records[(i - 1) * leafRecord], &records[i * leafRecord], keySize) >= 0)
            throw std::invalid_argument("BTree-on-heap keys must be ascending and unique");

    // Leaves, remembering each node's first key for the level above.
    std::vector<const std::uint8_t*> firstKeys;
    std::size_t at = 0;
    for (Hid leaf : layout.levels.empty() ? std::vector<Hid>{} : layout.levels[0]) {
        std::span<std::uint8_t> node = heap.bytesAt(leaf);
        std::copy(records.begin() + at, records.begin() + at + node.size(), node.begin());
        firstKeys.push_back(&records[at]);
        at += node.size();
    }
    for (std::size_t l = 1; l < layout.levels.size(); ++l) {
        const std::vector<Hid>& children = layout.levels[l - 1];
        std::vector<const std::uint8_t*> levelKeys;
        std::size_t child = 0;
        for (Hid hid : layout.levels[l]) {
            std::span<std::uint8_t> node = heap.bytesAt(hid);
            levelKeys.push_back(firstKeys[child]);
            for (std::size_t off = 0; off < node.size(); off += keySize + kChildRefSize, ++child) {
                std::copy(firstKeys[child], firstKeys[child] + keySize, node.begin() + off);
                putU32(node.data() + off + keySize, children[child]);
            }
        }
        firstKeys = std::move(levelKeys);
    }

    std::span<std::uint8_t> header = heap.bytesAt(layout.header);
    header[0] = kBTreeOnHeapType;
    header[1] = layout.keySize;
    header[2] = layout.dataSize;
    header[3] = std::uint8_t(layout.levels.empty() ? 0 : layout.levels.size() - 1);
    putU32(header.data() + 4, layout.levels.empty() ? 0 : layout.levels.back().front());
}

Hid writeBTreeOnHeap(HeapOnNodeBuilder& heap, std::uint8_t keySize, std::uint8_t dataSize,
                     std::span<const std::uint8_t> records)
{
    const std::size_t recordSize = std::size_t(keySize) + dataSize;
    const std::size_t count = recordSize == 0 ? 0 : records.size() / recordSize;
    BTreeOnHeapLayout layout = reserveBTreeOnHeap(heap, keySize, dataSize, count);
    fillBTreeOnHeap(heap, layout, records);
    return layout.header;
}

} // namespace brenmoor::pst::ltp
