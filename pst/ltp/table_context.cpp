// Builds a table context node: TCINFO as the heap's user root, the row index
// (BTree-on-heap of row ID -> row position) and the row matrix, in one heap
// allocation when small, otherwise in a subnode whose blocks each hold whole rows,
// padded to the full block size but the last.
// Rows are kept compactly until then: the fixed cells in place, referenced values in
// a list of their own.
#include "pst/ltp/table_context.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/referenced_values.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::ltp {

namespace {

// Held by a referenced cell that exists with an empty value (HNID 0 in the file).
constexpr std::uint32_t kEmptyCell = 0xFFFFFFFF;

} // namespace

TableContextBuilder::TableContextBuilder(std::vector<PropTag> columns) : layout_(std::move(columns)) {}

void TableContextBuilder::setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values)
{
    layout_.check(values);
    // Referenced values go straight to the list, taken back if a cell is refused.
    const std::size_t valuesBefore = values_.size();
    Bytes& row = scratch_;
    row.resize(layout_.rowSize());
    try {
        layout_.encode(row.data(), rowId, nextVersion_, values, kEmptyCell, [&](std::span<const std::uint8_t> bytes) {
            values_.emplace_back(bytes.begin(), bytes.end());
            return std::uint32_t(values_.size() - 1);
        });
    } catch (...) {
        values_.resize(valuesBefore);
        throw;
    }
    if (values.find(kLtpRowVer) == values.end())
        ++nextVersion_;

    auto found = positions_.find(rowId);
    if (found == positions_.end()) {
        positions_.emplace(rowId, std::uint32_t(rowIds_.size()));
        rowIds_.push_back(rowId);
        matrix_.insert(matrix_.end(), row.begin(), row.end());
        return;
    }
    const std::size_t at = std::size_t(found->second) * layout_.rowSize();
    std::copy(row.begin(), row.end(), matrix_.begin() + at);
}

std::size_t TableContextBuilder::rowCount() const
{
    return rowIds_.size();
}

ndb::NodeContent TableContextBuilder::build() const
{
    ndb::NodeContent content;
    HeapOnNodeBuilder heap(kClientTableContext);
    ReferencedValues values(heap, content.subnodes);
    const std::size_t rows = rowIds_.size();

    // Outlook's order: row index header, TCINFO, row index nodes, row matrix, values.
    const Hid indexHeader = reserveBTreeOnHeapHeader(heap);
    const Hid info = heap.reserve(layout_.infoSize());
    heap.setUserRoot(info);
    const BTreeOnHeapLayout index = reserveBTreeOnHeap(heap, indexHeader, 4, 4, rows);

    const std::size_t rowSize = layout_.rowSize();
    const std::size_t matrixSize = rows * rowSize;
    std::uint32_t hnidRows = 0;
    ndb::Nid matrixNid = 0;
    if (matrixSize > kMaxHeapAllocation)
        hnidRows = matrixNid = values.newSubnodeNid();
    else if (rows > 0)
        hnidRows = heap.reserve(matrixSize);

    // The rows as written: referenced cells now hold the values' HNIDs.
    ndb::NodeContent matrixNode;
    const std::size_t rowsPerBlock = ndb::kMaxBlockData / rowSize;
    Bytes pending;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* source = matrix_.data() + r * rowSize;
        Bytes row(source, source + rowSize);
        layout_.forEachReferencedCell(source, [&](const TableRowLayout::Column& column, std::uint32_t index) {
            const std::uint32_t hnid = index != kEmptyCell ? values.store(values_[index]) : 0;
            putU32(row.data() + column.offset, hnid);
        });
        if (matrixNid != 0) {
            pending.insert(pending.end(), row.begin(), row.end());
            if ((r + 1) % rowsPerBlock == 0 || r + 1 == rows) {
                // Every block but the last is padded to the full block size: readers
                // step through the matrix in blocks of that size.
                if (r + 1 != rows)
                    pending.resize(ndb::kMaxBlockData, 0);
                matrixNode.blocks.push_back(std::exchange(pending, Bytes{}));
            }
        } else {
            std::span<std::uint8_t> target = heap.bytesAt(hnidRows);
            std::copy(row.begin(), row.end(), target.begin() + r * rowSize);
        }
    }
    if (matrixNid != 0)
        values.addSubnode(matrixNid, std::move(matrixNode));

    const Bytes records = rowIndexRecords(rowIds_);
    fillBTreeOnHeap(heap, index, records);

    layout_.writeInfo(heap.bytesAt(info), index.header, hnidRows);
    content.blocks = heap.takeBlocks();
    return content;
}

} // namespace brenmoor::pst::ltp
