// A node as the writers of pst/ltp build it, before it goes into a store, read by the
// checker's own reader of heaps, trees, property and table contexts: the tests of that
// layer see each structure as pst-check sees it in a file, every finding a failure.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "pst/ndb/node_database.h"
#include "pst_tables.h"

namespace held {

namespace check = brenmoor::pstcheck;
namespace ndb = brenmoor::pst::ndb;
using Bytes = std::vector<std::uint8_t>;

// The node's pages with its first-level subnodes' pages beside them.
inline check::NodeFrame frameOf(const ndb::NodeContent& node)
{
    check::NodeFrame frame;
    EXPECT_TRUE(node.writtenBlocks.empty()) << "leaves already in a store are read from the store";
    frame.pages = node.blocks;
    for (const auto& [nid, content] : node.subnodes) {
        EXPECT_TRUE(content.writtenBlocks.empty()) << "subnode " << nid << " is partly in a store";
        EXPECT_TRUE(frame.heldSubnodes.emplace(std::uint32_t(nid), content.blocks).second) << "subnode " << nid << " twice";
    }
    return frame;
}

// Fails the test for every problem and every warning the reader met.
inline void expectClean(const check::Findings& findings)
{
    for (const std::string& p : findings.problems) ADD_FAILURE() << p;
    for (const std::string& w : findings.warnings) ADD_FAILURE() << "warning: " << w;
}

// A property context as full tag (id and type) -> value bytes.
inline std::map<std::uint32_t, Bytes> readProperties(const ndb::NodeContent& node)
{
    check::Findings findings;
    const auto props = check::readPropertyContext(frameOf(node), "property context", findings);
    expectClean(findings);
    std::map<std::uint32_t, Bytes> out;
    if (props)
        for (const auto& [id, p] : *props) out[std::uint32_t(id) << 16 | p.type] = p.value;
    return out;
}

// A table context with each row's cells by tag and its row ID, in matrix order.
struct ReadTable {
    check::Table table;
    std::vector<std::map<std::uint32_t, Bytes>> rows;
    std::vector<std::uint32_t> rowIds;
};

inline ReadTable readTable(const ndb::NodeContent& node)
{
    check::Findings findings;
    const auto table = check::readTableContext(frameOf(node), "table context", findings);
    expectClean(findings);
    ReadTable out;
    if (!table) return out;
    out.table = *table;
    out.rowIds.resize(table->rows.size());
    for (const auto& [id, row] : table->rowIndex)
        if (row < out.rowIds.size()) out.rowIds[row] = id;
    for (std::size_t r = 0; r < table->rows.size(); ++r) out.rows.push_back(check::rowCells(*table, r));
    return out;
}

// Bytes from hex digits; spaces between them are for reading only.
inline Bytes fromHex(std::string_view hex)
{
    Bytes out;
    int high = -1;
    for (char c : hex) {
        if (c == ' ') continue;
        const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(std::uint8_t(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

} // namespace held
