// Column layout and TCINFO of a table context.
#include "pst/ltp/table_row_layout.h"

#include <algorithm>
#include <stdexcept>

#include "pst/util/little_endian.h"

namespace brenmoor::pst::ltp {

namespace {

constexpr std::uint8_t kTableType = 0x7C;
constexpr std::size_t kInfoSize = 22;      // TCINFO before its column descriptors
constexpr std::size_t kColumnDescSize = 8; // TCOLDESC
constexpr std::size_t kMaxColumns = 255;   // cCols is one byte

bool isReferenced(PropTag tag)
{
    const std::size_t size = fixedSize(tagType(tag));
    return size == 0 || size > 8;
}

} // namespace

TableRowLayout::TableRowLayout(std::vector<PropTag> columns)
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

    auto cellSize = [](PropTag tag) -> std::size_t { return isReferenced(tag) ? 4 : fixedSize(tagType(tag)); };
    std::size_t offset = 0;
    const std::size_t groups[3][2] = {{4, 8}, {2, 2}, {1, 1}};
    for (std::size_t g = 0; g < 3; ++g) {
        for (std::size_t i = 0; i < ordered.size(); ++i) {
            const std::size_t size = cellSize(ordered[i]);
            if (size != groups[g][0] && size != groups[g][1])
                continue;
            columns_.push_back(Column{ordered[i], std::uint16_t(offset), std::uint8_t(size), std::uint8_t(i),
                                      isReferenced(ordered[i])});
            offset += size;
        }
        groupEnds_[g] = std::uint16_t(offset);
    }
    rowSize_ = offset + (ordered.size() + 7) / 8;
    groupEnds_[3] = std::uint16_t(rowSize_);
    std::sort(columns_.begin(), columns_.end(), [](const Column& a, const Column& b) { return a.tag < b.tag; });
}

void TableRowLayout::check(const std::map<PropTag, PropValue>& values) const
{
    auto it = values.begin();
    for (const Column& column : columns_) {
        while (it != values.end() && it->first < column.tag)
            ++it;
        if (it == values.end() || it->first != column.tag || column.tag == kLtpRowId)
            continue;
        if (it->second.type != tagType(column.tag) || !isWellFormed(it->second))
            throw std::invalid_argument("table cell value does not fit its column's type");
        if (!it->second.writtenBlocks.empty()) // a row's values are laid out from memory
            throw std::invalid_argument("table cell value written ahead of its table");
    }
}

std::uint32_t TableRowLayout::readCell(const std::uint8_t* p) { return getU32(p); }

void TableRowLayout::writeCell(std::uint8_t* p, std::uint32_t v) { putU32(p, v); }

std::size_t TableRowLayout::infoSize() const { return kInfoSize + kColumnDescSize * columns_.size(); }

void TableRowLayout::writeInfo(std::span<std::uint8_t> info, Hid rowIndex, std::uint32_t hnidRows) const
{
    info[0] = kTableType;
    info[1] = std::uint8_t(columns_.size());
    for (int i = 0; i < 4; ++i)
        putU16(&info[2 + 2 * i], groupEnds_[i]);
    putU32(&info[10], rowIndex);
    putU32(&info[14], hnidRows);
    putU32(&info[18], 0); // hidIndex, unused
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        std::uint8_t* desc = &info[kInfoSize + kColumnDescSize * c];
        putU32(desc, columns_[c].tag);
        putU16(desc + 4, columns_[c].offset);
        desc[6] = columns_[c].size;
        desc[7] = columns_[c].bit;
    }
}

Bytes rowIndexRecords(const std::vector<std::uint32_t>& rowIds)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byId;
    byId.reserve(rowIds.size());
    for (std::size_t r = 0; r < rowIds.size(); ++r)
        byId.emplace_back(rowIds[r], std::uint32_t(r));
    if (!std::is_sorted(byId.begin(), byId.end())) std::sort(byId.begin(), byId.end());
    Bytes records(rowIds.size() * 8);
    for (std::size_t i = 0; i < byId.size(); ++i) {
        putU32(records.data() + 8 * i, byId[i].first);
        putU32(records.data() + 8 * i + 4, byId[i].second);
    }
    return records;
}

} // namespace brenmoor::pst::ltp
