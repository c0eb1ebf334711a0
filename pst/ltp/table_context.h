// A table context: rows of a fixed set of columns (a folder's hierarchy, contents and
// associated contents tables, the template tables of a new store), kept as a row index
// (BTree-on-heap of row IDs) and a row matrix, in the heap or in a subnode by size.
#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ltp/value_pool.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

// The row ID and row version columns every table carries first.
inline constexpr PropTag kLtpRowId = makeTag(0x67F2, PT_LONG);
inline constexpr PropTag kLtpRowVer = makeTag(0x67F3, PT_LONG);

class TableContextBuilder {
public:
    // The columns, by tag; the builder lays them out in the row as the format asks
    // (8- and 4-byte values, then 2-byte and 1-byte values, then the cell existence
    // bitmap). Row ID and row version come first whether listed or not; the other
    // columns keep the given order within their group, as Outlook lays out a table
    // whose columns were added in that order. Repeated tags count once.
    explicit TableContextBuilder(std::vector<PropTag> columns);

    // Appends a row (or replaces the row with that ID). Values for tags that are not
    // columns are ignored; missing values leave the cell absent. The row ID cell is
    // always rowId; a row without a row version gets the next one of this table.
    // Throws std::invalid_argument for a value whose bytes do not fit its type.
    void setRow(std::uint32_t rowId, const std::map<PropTag, PropValue>& values);
    void eraseRow(std::uint32_t rowId);
    std::size_t rowCount() const;

    ndb::NodeContent build() const;

private:
    struct Column {
        PropTag tag;
        std::uint16_t offset; // ibData
        std::uint8_t size;    // cbData
        std::uint8_t bit;     // iBit
        bool referenced;      // the cell holds an HNID
    };
    static bool isReferenced(PropTag tag);
    // Calls visit(column, poolIndex) for every referenced cell the row has.
    template <typename Visit>
    void forEachReferencedCell(const std::uint8_t* row, Visit visit) const;
    std::uint64_t referencedBytes(const std::uint8_t* row) const;
    void compactPool();

    std::vector<Column> columns_; // in rgTCOLDESC order (by tag)
    std::uint16_t groupEnds_[4] = {}; // TCI_4b, TCI_2b, TCI_1b, TCI_bm
    std::size_t rowSize_ = 0;
    // Rows in table order, rowSize_ bytes each, laid out as in the file except that a
    // referenced cell holds an index into pool_ until build() stores the value.
    Bytes matrix_;
    std::vector<std::uint32_t> rowIds_; // row ID of each row in matrix_
    std::unordered_map<std::uint32_t, std::uint32_t> positions_; // row ID -> row
    ValuePool pool_;
    std::uint64_t garbage_ = 0; // pool bytes of replaced or erased rows
    std::uint32_t nextVersion_ = 1;
    Bytes scratch_; // the row being set
};

} // namespace brenmoor::pst::ltp
