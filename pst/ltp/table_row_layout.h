// The row layout of a table context: where each column's cell sits in a row (8- and
// 4-byte values, then 2-byte and 1-byte values, then the cell existence bitmap), how
// a row's values go into it, and the TCINFO that describes the layout to readers.
// Shared by the tables built whole in memory and those written out as they grow.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/property_value.h"

namespace brenmoor::pst::ltp {

// The row ID and row version columns every table carries first.
inline constexpr PropTag kLtpRowId = makeTag(0x67F2, PT_LONG);
inline constexpr PropTag kLtpRowVer = makeTag(0x67F3, PT_LONG);

class TableRowLayout {
public:
    struct Column {
        PropTag tag;
        std::uint16_t offset; // ibData
        std::uint8_t size;    // cbData
        std::uint8_t bit;     // iBit
        bool referenced;      // the cell holds an HNID
    };

    // The columns, by tag. Row ID and row version come first whether listed or not; the
    // other columns keep the given order within their group, as Outlook lays out a
    // table whose columns were added in that order. Repeated tags count once. Throws
    // std::invalid_argument for more than 255 columns or a type the store cannot hold.
    explicit TableRowLayout(std::vector<PropTag> columns);

    std::size_t rowSize() const { return rowSize_; }
    const std::vector<Column>& columns() const { return columns_; } // by tag

    // Throws std::invalid_argument where a value for a column does not fit the
    // column's type (nothing else is looked at).
    void check(const std::map<PropTag, PropValue>& values) const;

    // Lays a checked row out in row (rowSize() bytes): the row ID, the given row
    // version or else `version`, each fixed value in place, and for each referenced
    // value the 32-bit cell store(bytes) returns (emptyCell for an empty value).
    // Values for tags that are not columns are ignored.
    template <typename Store>
    void encode(std::uint8_t* row, std::uint32_t rowId, std::uint32_t version,
                const std::map<PropTag, PropValue>& values, std::uint32_t emptyCell, Store store) const;

    // Calls visit(column, cell) for every referenced cell the row has.
    template <typename Visit>
    void forEachReferencedCell(const std::uint8_t* row, Visit visit) const
    {
        const std::uint8_t* bitmap = row + groupEnds_[2];
        for (const Column& column : columns_)
            if (column.referenced && (bitmap[column.bit / 8] & (0x80 >> (column.bit % 8))))
                visit(column, readCell(row + column.offset));
    }

    // TCINFO with its column descriptors, and its size.
    std::size_t infoSize() const;
    void writeInfo(std::span<std::uint8_t> info, Hid rowIndex, std::uint32_t hnidRows) const;

private:
    static std::uint32_t readCell(const std::uint8_t* p);
    static void writeCell(std::uint8_t* p, std::uint32_t v);

    std::vector<Column> columns_;     // in rgTCOLDESC order (by tag)
    std::uint16_t groupEnds_[4] = {}; // TCI_4b, TCI_2b, TCI_1b, TCI_bm
    std::size_t rowSize_ = 0;
};

// The records of a table's row index: each row's ID and position, by ID.
Bytes rowIndexRecords(const std::vector<std::uint32_t>& rowIds);

template <typename Store>
void TableRowLayout::encode(std::uint8_t* row, std::uint32_t rowId, std::uint32_t version,
                            const std::map<PropTag, PropValue>& values, std::uint32_t emptyCell, Store store) const
{
    std::fill(row, row + rowSize_, std::uint8_t(0));
    std::uint8_t* bitmap = row + groupEnds_[2];
    auto present = [&](const Column& column) { bitmap[column.bit / 8] |= std::uint8_t(0x80 >> (column.bit % 8)); };
    auto it = values.begin();
    for (const Column& column : columns_) {
        while (it != values.end() && it->first < column.tag)
            ++it;
        const PropValue* value = it != values.end() && it->first == column.tag ? &it->second : nullptr;
        std::uint8_t* cell = row + column.offset;
        if (column.tag == kLtpRowId) {
            writeCell(cell, rowId);
            present(column);
        } else if (column.tag == kLtpRowVer && !value) {
            writeCell(cell, version);
            present(column);
        } else if (value && column.referenced) {
            writeCell(cell, value->data.empty() ? emptyCell : store(std::span<const std::uint8_t>(value->data)));
            present(column);
        } else if (value) {
            std::copy(value->data.begin(), value->data.end(), cell);
            present(column);
        }
    }
}

} // namespace brenmoor::pst::ltp
