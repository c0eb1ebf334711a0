// Writing a table context's rows and values out as they come, and laying out the node
// around what was written.
#include "pst/ltp/streamed_table.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::ltp {

StreamedTableContext::StreamedTableContext(std::vector<PropTag> columns, ndb::NodeDatabaseWriter& store)
    : layout_(std::move(columns)), store_(store), heap_(kClientTableContext)
{
    // Outlook's order on the first page: the row index's header, then TCINFO.
    indexHeader_ = reserveBTreeOnHeapHeader(heap_);
    info_ = heap_.reserve(layout_.infoSize());
    heap_.setUserRoot(info_);
}

std::uint32_t StreamedTableContext::storeValue(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() <= kMaxHeapAllocation) {
        const Hid hid = heap_.allocate(bytes);
        writeFinishedPages();
        return hid;
    }
    const ndb::Nid nid = ndb::makeNid(ndb::NID_TYPE_LTP, nextSubnodeIndex_++);
    std::vector<std::uint64_t> bids;
    for (std::size_t at = 0; at < bytes.size(); at += ndb::kMaxBlockData)
        bids.push_back(store_.writeDataBlock(bytes.data() + at, std::min(ndb::kMaxBlockData, bytes.size() - at)));
    largeValues_.emplace_back(nid, std::move(bids));
    return nid;
}

// Every page but the one being filled is finished: write out each one whose fill levels
// (where it records them) are all known.
void StreamedTableContext::writeFinishedPages()
{
    if (heap_.pageCount() == heapBlocks_.size()) return; // no page was finished since
    heap_.closePagesBefore(heap_.pageCount() - 1);
    heapBlocks_.resize(heap_.pageCount(), 0);
    for (std::size_t page = firstUnwrittenPage_; page + 1 < heap_.pageCount(); ++page) {
        if (!heap_.canTakePage(page)) continue;
        const Bytes block = heap_.takePage(page);
        heapBlocks_[page] = store_.writeDataBlock(block.data(), block.size());
    }
    while (firstUnwrittenPage_ < heapBlocks_.size() && heapBlocks_[firstUnwrittenPage_] != 0)
        ++firstUnwrittenPage_;
}

std::size_t StreamedTableContext::findRow(std::uint32_t rowId) const
{
    if (idsAscending_) {
        auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), rowId);
        return it != rowIds_.end() && *it == rowId ? std::size_t(it - rowIds_.begin()) : rowIds_.size();
    }
    return std::size_t(std::find(rowIds_.begin(), rowIds_.end(), rowId) - rowIds_.begin());
}

void StreamedTableContext::setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values)
{
    const bool appended = rowIds_.empty() || (idsAscending_ && rowId > rowIds_.back());
    putRow(rowId, values, appended ? rowIds_.size() : findRow(rowId));
}

void StreamedTableContext::appendRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values)
{
    putRow(rowId, values, rowIds_.size());
}

void StreamedTableContext::putRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values,
                                  std::size_t position)
{
    layout_.check(values);
    Bytes& row = scratch_;
    row.resize(layout_.rowSize());
    layout_.encode(row.data(), rowId, nextVersion_, values, 0,
                   [&](std::span<const std::uint8_t> bytes) { return storeValue(bytes); });
    if (values.find(kLtpRowVer) == values.end())
        ++nextVersion_;
    if (position < rowIds_.size()) {
        replaceRow(position, row.data());
        return;
    }
    if (!rowIds_.empty() && rowId < rowIds_.back()) idsAscending_ = false;
    if (pendingRows_.size() == rowsPerBlock() * layout_.rowSize()) {
        // A full block of rows with a row after it, padded to the full block size:
        // readers step through the matrix in blocks of that size. (The last block
        // holds its rows alone.)
        if (matrixNid_ == 0) matrixNid_ = ndb::makeNid(ndb::NID_TYPE_LTP, nextSubnodeIndex_++);
        pendingRows_.resize(ndb::kMaxBlockData, 0);
        matrixBlocks_.push_back(store_.writeDataBlock(pendingRows_.data(), pendingRows_.size()));
        pendingRows_.clear();
    }
    rowIds_.push_back(rowId);
    pendingRows_.insert(pendingRows_.end(), row.begin(), row.end());
}

// Overwrites the row at position: in a block written out (read back, written anew) or
// among the rows still held. Values of the old row that live in subnodes are dropped;
// those in the heap stay behind unused.
void StreamedTableContext::replaceRow(std::size_t position, const std::uint8_t* row)
{
    const std::size_t rowSize = layout_.rowSize();
    const std::size_t block = position / rowsPerBlock();
    if (block < matrixBlocks_.size()) {
        Bytes bytes = store_.readDataBlock(matrixBlocks_[block]);
        std::uint8_t* target = bytes.data() + position % rowsPerBlock() * rowSize;
        dropLargeValues(target);
        std::copy(row, row + rowSize, target);
        const std::uint64_t written = store_.writeDataBlock(bytes.data(), bytes.size());
        store_.releaseDataBlock(matrixBlocks_[block]);
        matrixBlocks_[block] = written;
    } else {
        std::uint8_t* target = pendingRows_.data() + (position - matrixBlocks_.size() * rowsPerBlock()) * rowSize;
        dropLargeValues(target);
        std::copy(row, row + rowSize, target);
    }
}

void StreamedTableContext::dropLargeValues(const std::uint8_t* row)
{
    layout_.forEachReferencedCell(row, [&](const TableRowLayout::Column&, std::uint32_t hnid) {
        if ((hnid & 0x1F) == 0) return; // in the heap, or empty
        auto it = std::find_if(largeValues_.begin(), largeValues_.end(), [&](const auto& v) { return v.first == hnid; });
        if (it == largeValues_.end()) return;
        for (std::uint64_t bid : it->second) store_.releaseDataBlock(bid);
        largeValues_.erase(it);
    });
}

ndb::NodeContent StreamedTableContext::build() const
{
    ndb::NodeContent content;
    HeapOnNodeBuilder heap = heap_; // the held pages; the written ones are placeholders
    const std::size_t rows = rowIds_.size();
    const BTreeOnHeapLayout index = reserveBTreeOnHeap(heap, indexHeader_, 4, 4, rows);

    // The row matrix: in the heap while it is small, else in a subnode of the blocks
    // written out and the rows after them.
    std::uint32_t hnidRows = 0;
    if (matrixBlocks_.empty() && pendingRows_.size() <= kMaxHeapAllocation) {
        if (rows > 0) hnidRows = heap.allocate(pendingRows_);
    } else {
        const ndb::Nid matrixNid = matrixNid_ != 0 ? matrixNid_ : ndb::makeNid(ndb::NID_TYPE_LTP, nextSubnodeIndex_);
        hnidRows = matrixNid;
        ndb::NodeContent matrix;
        matrix.blocks.resize(matrixBlocks_.size());
        matrix.writtenBlocks = matrixBlocks_;
        if (!pendingRows_.empty()) {
            matrix.blocks.push_back(pendingRows_);
            matrix.writtenBlocks.push_back(0);
        }
        content.subnodes.emplace_back(matrixNid, std::move(matrix));
    }
    for (const auto& [nid, bids] : largeValues_) {
        ndb::NodeContent value;
        value.blocks.resize(bids.size());
        value.writtenBlocks = bids;
        content.subnodes.emplace_back(nid, std::move(value));
    }

    const Bytes records = rowIndexRecords(rowIds_);
    fillBTreeOnHeap(heap, index, records);
    layout_.writeInfo(heap.bytesAt(info_), index.header, hnidRows);

    content.blocks = heap.takeBlocks();
    content.writtenBlocks.assign(content.blocks.size(), 0);
    for (std::size_t page = 0; page < heapBlocks_.size() && page < content.blocks.size(); ++page)
        content.writtenBlocks[page] = heapBlocks_[page];
    return content;
}

} // namespace brenmoor::pst::ltp
