// A table context written out as it grows, read back from the file by the independent
// reader: every row with its cells, across many written heap pages (bitmap pages
// included), row-matrix blocks and values kept in subnodes, after rows were replaced
// in blocks already written and in those still held, and after a second flush.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "pst/ltp/streamed_table.h"
#include "pst/ndb/node_database.h"
#include "pst_checker.h"
#include "pst_tables.h"

namespace {

using namespace brenmoor::pst::ltp;
namespace ndb = brenmoor::pst::ndb;
namespace check = brenmoor::pstcheck;

constexpr PropTag kName = makeTag(0x3001, PT_UNICODE);
constexpr PropTag kSize = makeTag(0x0E08, PT_LONG);
constexpr PropTag kKey = makeTag(0x0FF9, PT_BINARY);
constexpr ndb::Nid kTable = 0x802E; // a contents table

using Row = std::map<PropTag, PropValue>;

Row sampleRow(std::uint32_t r, char round)
{
    Row row{{kName, PropValue::unicode(std::string(1, round) + " contact number " + std::to_string(r) + " of many")},
            {kSize, PropValue::int32(std::int32_t(r))}};
    if (r % 997 == 0) row[kKey] = PropValue::binary(Bytes(5000 + r % 7, std::uint8_t(r))); // a subnode
    else if (r % 3 == 0) row[kKey] = PropValue::binary(Bytes(r % 40, std::uint8_t(r)));
    return row;
}

// The table as the reader sees it: row ID -> cells by tag.
std::map<std::uint32_t, std::map<std::uint32_t, Bytes>> readBack(const std::string& path)
{
    check::Findings findings;
    check::PstFile file(path, findings);
    const check::NodeEntry* node = file.node(kTable);
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    const auto frame = check::readFrame(file, node->bidData, node->bidSub, "table");
    const auto table = check::readTableContext(frame, "table", findings);
    EXPECT_TRUE(findings.problems.empty()) << findings.problems.front();
    std::map<std::uint32_t, std::map<std::uint32_t, Bytes>> rows;
    if (!table) return rows;
    for (std::size_t r = 0; r < table->rows.size(); ++r) {
        auto cells = check::rowCells(*table, r);
        rows[check::le32(cells.at(kLtpRowId))] = std::move(cells);
    }
    return rows;
}

// Node-database problems only: the store holds no messaging layer.
std::vector<std::string> storeProblems(const std::string& path)
{
    std::vector<std::string> out;
    for (const std::string& p : check::checkPstFile(path))
        if (p.rfind("mandatory node", 0) != 0 && p.rfind("message store", 0) != 0 && p.rfind("name-to-ID map", 0) != 0)
            out.push_back(p);
    return out;
}

TEST(StreamedTable, RowsWrittenAsTheyComeReadBackWholeAfterReplacementsAndFlushes)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("brenmoor-streamed-" + std::to_string(::getpid()) + ".pst")).string();
    std::filesystem::remove(path);
    std::map<std::uint32_t, Row> expected;
    {
        ndb::NodeDatabaseWriter store(path);
        StreamedTableContext table({kName, kSize, kKey}, store);
        auto set = [&](std::uint32_t r, const Row& row) {
            table.setRow(0x200004 + 32 * r, row);
            expected[0x200004 + 32 * r] = row;
        };
        // Enough rows for some 330 heap pages of values (bitmap pages 8, 136 and 264
        // among them) and some 70 matrix blocks.
        for (std::uint32_t r = 0; r < 26000; ++r) set(r, sampleRow(r, 'a'));
        store.putNode(kTable, 0, table.build());
        store.commit();
        EXPECT_EQ(storeProblems(path), std::vector<std::string>{});

        // Replacing rows: one in a block written out (its large value dropped), the last
        // one still held; then more rows and a second flush.
        set(997, sampleRow(998, 'b'));
        set(5, sampleRow(1994, 'b')); // now with a large value
        set(25999, sampleRow(3, 'b'));
        for (std::uint32_t r = 26000; r < 27000; ++r) set(r, sampleRow(r, 'c'));
        EXPECT_EQ(table.rowCount(), 27000u);
        store.putNode(kTable, 0, table.build());
        store.commit();
    }
    EXPECT_EQ(storeProblems(path), std::vector<std::string>{});
    const auto rows = readBack(path);
    ASSERT_EQ(rows.size(), expected.size());
    for (const auto& [id, values] : expected) {
        const auto& cells = rows.at(id);
        for (const auto& [tag, value] : values) EXPECT_EQ(cells.at(tag), value.data) << std::hex << id << " " << tag;
        EXPECT_EQ(cells.count(kKey), values.count(kKey)) << std::hex << id;
    }
    std::filesystem::remove(path);
}

TEST(StreamedTable, MatricesOfEverySizeReadBack)
{
    // Rows of 17 bytes (ID, version, two 4-byte cells, the existence bits): 210 fit one
    // heap allocation, 480 one block. Tables at and around those sizes, a whole number
    // of blocks among them (the last block holds its rows alone, unpadded).
    for (std::uint32_t count : {0u, 1u, 210u, 211u, 479u, 480u, 481u, 960u, 961u}) {
        const std::string path = (std::filesystem::temp_directory_path() /
                                  ("brenmoor-streamed-sizes-" + std::to_string(::getpid()) + ".pst")).string();
        std::filesystem::remove(path);
        {
            ndb::NodeDatabaseWriter store(path);
            StreamedTableContext table({kName, kSize}, store);
            for (std::uint32_t r = 0; r < count; ++r)
                table.setRow(0x200004 + 32 * r, {{kSize, PropValue::int32(std::int32_t(r))}});
            const ndb::NodeContent node = table.build();
            EXPECT_EQ(node.subnodes.empty(), count <= 210) << count << " rows: matrix in the heap or a subnode";
            store.putNode(kTable, 0, node);
            store.commit();
        }
        EXPECT_EQ(storeProblems(path), std::vector<std::string>{}) << count << " rows";
        const auto rows = readBack(path);
        ASSERT_EQ(rows.size(), count);
        for (std::uint32_t r = 0; r < count; ++r)
            EXPECT_EQ(check::le32(rows.at(0x200004 + 32 * r).at(kSize)), r) << count << " rows";
        std::filesystem::remove(path);
    }
}

TEST(StreamedTable, ASmallTableKeepsItsMatrixInTheHeap)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("brenmoor-streamed-small-" + std::to_string(::getpid()) + ".pst"))
            .string();
    std::filesystem::remove(path);
    {
        ndb::NodeDatabaseWriter store(path);
        StreamedTableContext table({kName, kSize}, store);
        store.putNode(kTable, 0, table.build()); // empty
        store.commit();
        EXPECT_TRUE(readBack(path).empty());
        table.setRow(0x200004, sampleRow(1, 'a'));
        table.setRow(0x200024, sampleRow(2, 'a'));
        const ndb::NodeContent node = table.build();
        EXPECT_TRUE(node.subnodes.empty()) << "two rows fit the heap";
        store.putNode(kTable, 0, node);
        store.commit();
    }
    EXPECT_EQ(storeProblems(path), std::vector<std::string>{});
    EXPECT_EQ(readBack(path).size(), 2u);
    std::filesystem::remove(path);
}

} // namespace
