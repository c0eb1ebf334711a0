// A table context: rows of a fixed set of columns (a folder's hierarchy, contents and
// associated contents tables, the template tables of a new store), kept as a row index
// (BTree-on-heap of row IDs) and a row matrix, in the heap or in a subnode by size.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class TableContextBuilder {
public:
    // The columns, by tag; the builder lays them out in the row as the format asks
    // (8-byte, 4-byte, 2-byte and 1-byte values, then the cell existence bitmap).
    explicit TableContextBuilder(std::vector<PropTag> columns);

    // Appends a row (or replaces the row with that ID). Values for tags that are not
    // columns are ignored; missing values leave the cell absent.
    void setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values);
    void eraseRow(std::uint32_t rowId);
    std::size_t rowCount() const;

    ndb::NodeContent build() const;

private:
    std::vector<PropTag> columns_;
    std::vector<std::uint32_t> order_;
    std::map<std::uint32_t, std::map<PropTag, PropValue>> rows_;
};

} // namespace brenmoor::pst::ltp
