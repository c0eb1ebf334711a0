// Table contexts read back as a store reader reads them: the row index and the row
// matrix agree, cells exist exactly where values were given, large matrices sit in a
// subnode of whole-row blocks, and replacing or erasing rows leaves a consistent table.
#include <gtest/gtest.h>

#include <stdexcept>

#include "held_node.h"
#include "pst/ltp/table_context.h"

using namespace brenmoor::pst::ltp;
namespace ndb = brenmoor::pst::ndb;
using held::Bytes;

namespace {

constexpr PropTag kName = makeTag(0x3001, PT_UNICODE);
constexpr PropTag kSize = makeTag(0x0E08, PT_LONG);
constexpr PropTag kTime = makeTag(0x3008, PT_SYSTIME);
constexpr PropTag kRead = makeTag(0x0E69, PT_BOOLEAN);
constexpr PropTag kKey = makeTag(0x0FF9, PT_BINARY);
constexpr PropTag kFlags = makeTag(0x1234, PT_SHORT);

using Row = std::map<PropTag, PropValue>;

// Row r of the big table: every cell present on some rows, absent on others.
Row sampleRow(std::uint32_t r)
{
    Row row;
    if (r % 7 != 3)
        row[kName] = PropValue::unicode("Contact " + std::to_string(r));
    row[kSize] = PropValue::int32(std::int32_t(r * 10));
    if (r % 2 == 0)
        row[kTime] = PropValue::systime(0x01D0000000000000ull + r);
    if (r % 3 == 0)
        row[kRead] = PropValue::boolean(r % 6 == 0);
    if (r % 5 != 0)
        row[kKey] = PropValue::binary(Bytes(r % 50, std::uint8_t(r)));
    if (r % 4 == 1)
        row[kFlags] = PropValue{PT_SHORT, {std::uint8_t(r), 0x80}};
    return row;
}

// The cells a reader should find for a row given those values.
std::map<std::uint32_t, Bytes> expectedCells(std::uint32_t rowId, std::uint32_t version, const Row& values)
{
    std::map<std::uint32_t, Bytes> cells;
    for (const auto& [tag, value] : values)
        cells[tag] = value.data;
    cells[kLtpRowId] = PropValue::int32(std::int32_t(rowId)).data;
    cells[kLtpRowVer] = PropValue::int32(std::int32_t(version)).data;
    return cells;
}

TEST(TableContext, TenThousandRowsInASubnodeOfWholeRowBlocks)
{
    TableContextBuilder table({kName, kSize, kTime, kRead, kKey, kFlags});
    const std::uint32_t count = 10000;
    for (std::uint32_t r = 0; r < count; ++r)
        table.setRow(0x200000 + (r * 7919) % count * 32, sampleRow(r)); // IDs out of order
    EXPECT_EQ(table.rowCount(), count);
    const ndb::NodeContent node = table.build();
    const held::ReadTable read = held::readTable(node);

    // Row layout: ID, version, 8- and 4-byte cells, the short, the boolean, 1 byte
    // of existence bits for 8 columns.
    EXPECT_EQ(read.table.rgib[0], 4u + 4 + 4 + 4 + 8 + 4);
    EXPECT_EQ(read.table.rgib[1], read.table.rgib[0] + 2);
    EXPECT_EQ(read.table.rgib[2], read.table.rgib[1] + 1);
    EXPECT_EQ(read.table.rgib[3], read.table.rgib[2] + 1);
    EXPECT_EQ(ndb::nidType(read.table.hnidRows), ndb::NID_TYPE_LTP);
    ASSERT_EQ(node.subnodes.size(), 1u);
    EXPECT_EQ(node.subnodes[0].nid, read.table.hnidRows);
    EXPECT_GT(node.subnodes[0].content.blocks.size(), 20u);

    ASSERT_EQ(read.rows.size(), count);
    for (std::uint32_t r = 0; r < count; ++r) {
        const std::uint32_t id = 0x200000 + (r * 7919) % count * 32;
        ASSERT_EQ(read.rowIds[r], id) << "rows stay in the order they were added";
        ASSERT_EQ(read.rows[r], expectedCells(id, r + 1, sampleRow(r))) << "row " << r;
    }
}

TEST(TableContext, SmallTablesKeepTheMatrixInTheHeap)
{
    TableContextBuilder empty({kName, kSize});
    const held::ReadTable none = held::readTable(empty.build());
    EXPECT_EQ(none.table.hnidRows, 0u);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.table.columns.size(), 4u);

    TableContextBuilder one({kName, kSize, kKey});
    const Row values{{kName, PropValue::unicode("Contacts")},
                     {kKey, PropValue::binary(Bytes(5000, 0xAB))}, // too large for the heap
                     {makeTag(0x9999, PT_LONG), PropValue::int32(1)}}; // not a column: ignored
    one.setRow(0x8022, values);
    const ndb::NodeContent node = one.build();
    const held::ReadTable read = held::readTable(node);
    EXPECT_EQ(read.table.hnidRows & 0x1F, 0u) << "row matrix in the heap";
    ASSERT_EQ(read.rows.size(), 1u);
    Row expected = values;
    expected.erase(makeTag(0x9999, PT_LONG));
    EXPECT_EQ(read.rows[0], expectedCells(0x8022, 1, expected));
    ASSERT_EQ(node.subnodes.size(), 1u) << "the large cell's subnode";
}

TEST(TableContext, ReplacingARowKeepsIndexAndMatrixInStep)
{
    TableContextBuilder table({kName, kSize});
    for (std::uint32_t id = 1; id <= 5; ++id)
        table.setRow(id * 100, {{kName, PropValue::unicode("row " + std::to_string(id))}});
    // Replacing keeps the row's place; the caller's version is kept as given.
    table.setRow(300, {{kSize, PropValue::int32(7)}, {kLtpRowVer, PropValue::int32(99)}});
    EXPECT_EQ(table.rowCount(), 5u);

    const held::ReadTable read = held::readTable(table.build());
    EXPECT_EQ(read.rowIds, (std::vector<std::uint32_t>{100, 200, 300, 400, 500}));
    ASSERT_EQ(read.rows.size(), 5u);
    EXPECT_EQ(read.rows[2], expectedCells(300, 99, {{kSize, PropValue::int32(7)}}));
    EXPECT_EQ(read.rows[4], expectedCells(500, 5, {{kName, PropValue::unicode("row 5")}}));
}

TEST(TableContext, RefusesWhatTheFormatCannotHold)
{
    std::vector<PropTag> tooMany;
    for (std::uint16_t id = 0; id < 253; ++id)
        tooMany.push_back(makeTag(0x8000 + id, PT_LONG));
    EXPECT_NO_THROW(TableContextBuilder{tooMany}); // with row ID and version: 255
    tooMany.push_back(makeTag(0x7000, PT_LONG));
    EXPECT_THROW(TableContextBuilder{tooMany}, std::invalid_argument);

    EXPECT_THROW(TableContextBuilder({makeTag(0x3001, PropType(0x000D))}), std::invalid_argument);

    // A refused value leaves no trace: the table is as it was before the call.
    TableContextBuilder table({kName, kSize});
    table.setRow(1, {{kName, PropValue::unicode("kept")}});
    EXPECT_THROW(table.setRow(2, {{kName, PropValue::unicode("lost")}, {kSize, PropValue::unicode("x")}}),
                 std::invalid_argument);
    EXPECT_THROW(table.setRow(1, {{kName, PropValue::unicode("lost")}, {kSize, PropValue::boolean(true)}}),
                 std::invalid_argument);
    EXPECT_EQ(table.rowCount(), 1u);
    const held::ReadTable read = held::readTable(table.build());
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_EQ(read.rows[0], expectedCells(1, 1, {{kName, PropValue::unicode("kept")}}));
}

} // namespace
