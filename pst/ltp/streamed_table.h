// A table context written out as it grows: full blocks of its row matrix and full
// pages of the heap that holds its rows' values go to the store's file as they fill,
// and only their block IDs stay in memory (a folder of a million items keeps a few
// bytes a row). build() lays out the rest around them: the heap's first page with the
// table's description, the row index, the pages and rows not yet written.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/property_value.h"
#include "pst/ltp/table_row_layout.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class StreamedTableContext {
public:
    // The columns as TableRowLayout lays them out; blocks are written through store,
    // which must outlive the table.
    StreamedTableContext(std::vector<PropTag> columns, ndb::NodeDatabaseWriter& store);
    StreamedTableContext(const StreamedTableContext&) = delete;
    StreamedTableContext& operator=(const StreamedTableContext&) = delete;

    // Appends a row, or replaces the row with that ID (in its place). As
    // TableContextBuilder::setRow; throws std::invalid_argument for a value that does
    // not fit its column and std::runtime_error where a block cannot be written.
    void setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values);
    // Appends a row whose ID the table does not hold yet (the caller knows it new),
    // without looking for it: rows in any order of their IDs cost the same.
    void appendRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values);
    std::size_t rowCount() const { return rowIds_.size(); }

    // The table's node: what is held in memory, and the blocks written so far by ID.
    ndb::NodeContent build() const;

private:
    std::uint32_t storeValue(std::span<const std::uint8_t> bytes);
    void writeFinishedPages();
    std::size_t rowsPerBlock() const { return ndb::kMaxBlockData / layout_.rowSize(); }
    std::size_t findRow(std::uint32_t rowId) const; // its position, or rowCount()
    void putRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values, std::size_t position);
    void replaceRow(std::size_t position, const std::uint8_t* row);
    void dropLargeValues(const std::uint8_t* row);

    TableRowLayout layout_;
    ndb::NodeDatabaseWriter& store_;
    HeapOnNodeBuilder heap_;
    Hid indexHeader_ = 0;
    Hid info_ = 0;
    std::vector<std::uint64_t> heapBlocks_; // by page: the BID of a page written out, or 0
    std::size_t firstUnwrittenPage_ = 1;
    ndb::Nid matrixNid_ = 0;
    std::vector<std::uint64_t> matrixBlocks_; // full row-matrix blocks written out
    Bytes pendingRows_;                      // the rows after them
    std::vector<std::uint32_t> rowIds_;      // by position
    bool idsAscending_ = true;
    // Values too large for the heap: a subnode each, its blocks written out.
    std::vector<std::pair<ndb::Nid, std::vector<std::uint64_t>>> largeValues_;
    std::uint32_t nextSubnodeIndex_ = 1;
    std::uint32_t nextVersion_ = 1;
    Bytes scratch_;
};

} // namespace brenmoor::pst::ltp
