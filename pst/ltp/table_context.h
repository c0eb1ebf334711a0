// A table context built whole in memory: rows of a fixed set of columns (a folder's
// hierarchy table, the template tables of a new store), kept as a row index
// (BTree-on-heap of row IDs) and a row matrix, in the heap or in a subnode by size.
#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ltp/table_row_layout.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class TableContextBuilder {
public:
    // The columns, laid out as TableRowLayout lays them.
    explicit TableContextBuilder(std::vector<PropTag> columns);

    // Appends a row (or replaces the row with that ID). Values for tags that are not
    // columns are ignored; missing values leave the cell absent. The row ID cell is
    // always rowId; a row without a row version gets the next one of this table.
    // Throws std::invalid_argument for a value whose bytes do not fit its type.
    void setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values);
    std::size_t rowCount() const;

    ndb::NodeContent build() const;

private:
    TableRowLayout layout_;
    // Rows in table order, rowSize bytes each, laid out as in the file except that a
    // referenced cell holds an index into values_ until build() stores the value.
    Bytes matrix_;
    std::vector<std::uint32_t> rowIds_; // row ID of each row in matrix_
    std::unordered_map<std::uint32_t, std::uint32_t> positions_; // row ID -> row
    // The referenced values. Those of a replaced row stay behind unused: the tables
    // built whole are small (a folder's subfolders, the template tables).
    std::vector<Bytes> values_;
    std::uint32_t nextVersion_ = 1;
    Bytes scratch_; // the row being set
};

} // namespace brenmoor::pst::ltp
