// Builds a table context node: TCINFO as the heap's user root, the row index
// (BTree-on-heap of row ID -> row position) and the row matrix, in one heap
// allocation when small, otherwise in a subnode whose blocks each hold whole rows,
// padded to the full block size but the last.
// Rows are kept compactly until then: the fixed cells in place, referenced values in
// a pool of their own.
#include "pst/ltp/table_context.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/little_endian.h"
#include "pst/ltp/referenced_values.h"

namespace brenmoor::pst::ltp {

namespace {

constexpr std::uint8_t kTableType = 0x7C;
constexpr std::size_t kInfoSize = 22;       // TCINFO before its column descriptors
constexpr std::size_t kColumnDescSize = 8;  // TCOLDESC
constexpr std::size_t kMaxColumns = 255;    // cCols is one byte
// Held by a referenced cell that exists with an empty value (HNID 0 in the file).
constexpr std::uint32_t kEmptyCell = 0xFFFFFFFF;

// The cell existence bitmap counts bits from the most significant bit of each byte.
bool hasBit(const std::uint8_t* bitmap, std::size_t bit)
{
    return bitmap[bit / 8] & (0x80 >> (bit % 8));
}

void setBit(std::uint8_t* bitmap, std::size_t bit)
{
    bitmap[bit / 8] |= std::uint8_t(0x80 >> (bit % 8));
}

} // namespace

bool TableContextBuilder::isReferenced(PropTag tag)
{
    const std::size_t size = fixedSize(tagType(tag));
    return size == 0 || size > 8;
}

TableContextBuilder::TableContextBuilder(std::vector<PropTag> columns)
{
    std::vector<PropTag> ordered{kLtpRowId, kLtpRowVer};
    for (PropTag tag : columns)
        if (std::find(ordered.begin(), ordered.end(), tag) == ordered.end())
            ordered.push_back(tag);
    if (ordered.size() > kMaxColumns)
        throw std::invalid_argument("a table holds at most 255 columns");
    for (PropTag tag : ordered)
        if (!isKnownType(tagType(tag)))
            throw std::invalid_argument("table column of a property type the store cannot hold");

    auto cellSize = [](PropTag tag) -> std::size_t {
        return isReferenced(tag) ? 4 : fixedSize(tagType(tag));
    };
    std::size_t offset = 0;
    std::vector<Column> laidOut;
    const std::size_t groups[3][2] = {{4, 8}, {2, 2}, {1, 1}};
    for (std::size_t g = 0; g < 3; ++g) {
        for (std::size_t i = 0; i < ordered.size(); ++i) {
            const std::size_t size = cellSize(ordered[i]);
            if (size != groups[g][0] && size != groups[g][1])
                continue;
            laidOut.push_back(Column{ordered[i], std::uint16_t(offset), std::uint8_t(size),
                                     std::uint8_t(i), isReferenced(ordered[i])});
            offset += size;
        }
        groupEnds_[g] = std::uint16_t(offset);
    }
    rowSize_ = offset + (ordered.size() + 7) / 8;
    groupEnds_[3] = std::uint16_t(rowSize_);
    std::sort(laidOut.begin(), laidOut.end(),
              [](const Column& a, const Column& b) { return a.tag < b.tag; });
    columns_ = std::move(laidOut);
}

void TableContextBuilder::setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values)
{
    // Columns and values are both ordered by tag: one pass over each. Referenced
    // values go straight to the pool and are taken back if a later value is refused.
    const ValuePool::Mark poolMark = pool_.mark();
    auto refuse = [&]() {
        pool_.rollback(poolMark);
        throw std::invalid_argument("table cell value does not fit its column's type");
    };
    Bytes& row = scratch_;
    row.assign(rowSize_, 0);
    std::uint8_t* bitmap = row.data() + groupEnds_[2];
    auto it = values.begin();
    for (const Column& column : columns_) {
        while (it != values.end() && it->first < column.tag)
            ++it;
        const PropValue* value = it != values.end() && it->first == column.tag ? &it->second : nullptr;
        std::uint8_t* cell = row.data() + column.offset;
        if (column.tag == kLtpRowId) {
            put32(cell, rowId);
            setBit(bitmap, column.bit);
            continue;
        }
        if (column.tag == kLtpRowVer && !value) {
            put32(cell, nextVersion_);
            setBit(bitmap, column.bit);
            continue;
        }
        if (!value)
            continue;
        if (value->type != tagType(column.tag) || !isWellFormed(*value))
            refuse();
        const Bytes& data = value->data;
        if (column.referenced) {
            std::uint32_t index = kEmptyCell;
            if (!data.empty()) {
                try {
                    index = pool_.add(data);
                } catch (...) {
                    pool_.rollback(poolMark);
                    throw;
                }
            }
            put32(cell, index);
        } else {
            std::copy(data.begin(), data.end(), cell);
        }
        setBit(bitmap, column.bit);
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
    const std::size_t at = std::size_t(found->second) * rowSize_;
    garbage_ += referencedBytes(matrix_.data() + at);
    std::copy(row.begin(), row.end(), matrix_.begin() + at);
    compactPool();
}

void TableContextBuilder::eraseRow(std::uint32_t rowId)
{
    auto found = positions_.find(rowId);
    if (found == positions_.end())
        return;
    const std::uint32_t position = found->second;
    const std::size_t at = std::size_t(position) * rowSize_;
    garbage_ += referencedBytes(matrix_.data() + at);
    matrix_.erase(matrix_.begin() + at, matrix_.begin() + at + rowSize_);
    rowIds_.erase(rowIds_.begin() + position);
    positions_.erase(found);
    for (std::size_t i = position; i < rowIds_.size(); ++i)
        positions_[rowIds_[i]] = std::uint32_t(i);
    compactPool();
}

std::size_t TableContextBuilder::rowCount() const
{
    return rowIds_.size();
}

template <typename Visit>
void TableContextBuilder::forEachReferencedCell(const std::uint8_t* row, Visit visit) const
{
    const std::uint8_t* bitmap = row + groupEnds_[2];
    for (const Column& column : columns_)
        if (column.referenced && hasBit(bitmap, column.bit))
            visit(column, get32(row + column.offset));
}

std::uint64_t TableContextBuilder::referencedBytes(const std::uint8_t* row) const
{
    std::uint64_t total = 0;
    forEachReferencedCell(row, [&](const Column&, std::uint32_t index) {
        if (index != kEmptyCell)
            total += pool_.at(index).size();
    });
    return total;
}

// Drops the values of replaced and erased rows once they make up most of the pool.
void TableContextBuilder::compactPool()
{
    if (garbage_ < (std::uint64_t(1) << 20) || garbage_ * 2 < pool_.byteCount())
        return;
    ValuePool pool;
    for (std::size_t r = 0; r < rowIds_.size(); ++r) {
        std::uint8_t* row = matrix_.data() + r * rowSize_;
        forEachReferencedCell(row, [&](const Column& column, std::uint32_t index) {
            if (index != kEmptyCell)
                put32(row + column.offset, pool.add(pool_.at(index)));
        });
    }
    pool_ = std::move(pool);
    garbage_ = 0;
}

ndb::NodeContent TableContextBuilder::build() const
{
    ndb::NodeContent content;
    HeapOnNodeBuilder heap(kClientTableContext);
    ReferencedValues values(heap, content.subnodes);
    const std::size_t rows = rowIds_.size();

    // Outlook's order: row index header, TCINFO, row index nodes, row matrix, values.
    const Hid indexHeader = reserveBTreeOnHeapHeader(heap);
    const Hid info = heap.reserve(kInfoSize + kColumnDescSize * columns_.size());
    heap.setUserRoot(info);
    const BTreeOnHeapLayout index = reserveBTreeOnHeap(heap, indexHeader, 4, 4, rows);

    const std::size_t matrixSize = rows * rowSize_;
    std::uint32_t hnidRows = 0;
    ndb::Nid matrixNid = 0;
    if (matrixSize > kMaxHeapAllocation)
        hnidRows = matrixNid = values.newSubnodeNid();
    else if (rows > 0)
        hnidRows = heap.reserve(matrixSize);

    // The rows as written: referenced cells now hold the values' HNIDs.
    ndb::NodeContent matrixNode;
    const std::size_t rowsPerBlock = ndb::kMaxBlockData / rowSize_;
    Bytes pending;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* source = matrix_.data() + r * rowSize_;
        Bytes row(source, source + rowSize_);
        forEachReferencedCell(source, [&](const Column& column, std::uint32_t index) {
            const std::uint32_t hnid = index != kEmptyCell ? values.store(pool_.at(index)) : 0;
            put32(row.data() + column.offset, hnid);
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
            std::copy(row.begin(), row.end(), target.begin() + r * rowSize_);
        }
    }
    if (matrixNid != 0)
        values.addSubnode(matrixNid, std::move(matrixNode));

    Bytes records(rows * 8);
    {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> byId;
        byId.reserve(rows);
        for (std::size_t r = 0; r < rows; ++r)
            byId.emplace_back(rowIds_[r], std::uint32_t(r));
        std::sort(byId.begin(), byId.end());
        for (std::size_t i = 0; i < rows; ++i) {
            put32(records.data() + 8 * i, byId[i].first);
            put32(records.data() + 8 * i + 4, byId[i].second);
        }
    }
    fillBTreeOnHeap(heap, index, records);

    std::span<std::uint8_t> tcinfo = heap.bytesAt(info);
    tcinfo[0] = kTableType;
    tcinfo[1] = std::uint8_t(columns_.size());
    for (int i = 0; i < 4; ++i)
        put16(&tcinfo[2 + 2 * i], groupEnds_[i]);
    put32(&tcinfo[10], index.header);
    put32(&tcinfo[14], hnidRows);
    put32(&tcinfo[18], 0); // hidIndex, unused
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        std::uint8_t* desc = &tcinfo[kInfoSize + kColumnDescSize * c];
        put32(desc, columns_[c].tag);
        put16(desc + 4, columns_[c].offset);
        desc[6] = columns_[c].size;
        desc[7] = columns_[c].bit;
    }
    content.blocks = heap.takeBlocks();
    return content;
}

} // namespace brenmoor::pst::ltp
