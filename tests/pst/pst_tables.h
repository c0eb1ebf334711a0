// The list, table and property layer of a PST file as the independent checker reads it:
// the heap-on-node with its page maps and fill levels, BTree-on-heap, property contexts
// and table contexts, each verified while it is decoded, in a node of a file or in one a
// writer holds in memory.
#pragma once

#include "pst_reader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brenmoor::pstcheck {

// A node's data and subnodes, the frame every LTP structure is read in: a node of a
// file, whose subnodes are read from it when a value or row matrix needs them, or a
// node held in memory with its subnodes' pages beside it.
struct NodeFrame {
    std::vector<Bytes> pages;                       // leaves of the data tree
    std::map<std::uint32_t, SubnodeEntry> subnodes; // first-level subnodes in the file
    const PstFile* file = nullptr;                  // where those subnodes are read from
    std::map<std::uint32_t, std::vector<Bytes>> heldSubnodes; // first-level subnodes in memory
};

NodeFrame readFrame(const PstFile& file, std::uint64_t bidData, std::uint64_t bidSub, const std::string& context);

// The leaves of a first-level subnode's data; nullopt (and a problem) where the node has
// no such subnode.
std::optional<std::vector<Bytes>> subnodeLeaves(const NodeFrame& frame, std::uint32_t nid, const std::string& context,
                                                Findings& findings);

// Whether the first page looks like a heap-on-node (bSig 0xEC).
bool isHeap(const NodeFrame& frame);

class Heap {
public:
    Heap(const NodeFrame& frame, const std::string& context, Findings& findings);
    bool valid() const { return valid_; }
    std::uint8_t clientSig() const { return clientSig_; }
    std::uint32_t userRoot() const { return userRoot_; }
    std::size_t pageCount() const { return frame_.pages.size(); }
    // A page's fill level as the heap records it; nullopt where no header holds it.
    std::optional<int> fillLevel(std::size_t page) const;
    // The bytes of one allocation; nullopt (and a problem) where the HID points nowhere.
    std::optional<Bytes> item(std::uint32_t hid, const std::string& what) const;
    // The HN header and page maps, one line each, for the dump.
    std::vector<std::string> describe() const;
    const std::string& context() const { return context_; }
    Findings& findings() const { return findings_; }

private:
    void checkPage(std::size_t index);
    std::string context_;
    Findings& findings_;
    const NodeFrame& frame_;
    bool valid_ = false;
    std::uint8_t clientSig_ = 0;
    std::uint32_t userRoot_ = 0;
    std::vector<std::vector<std::uint16_t>> allocs_; // per page: rgibAlloc
};

struct BthRecord {
    Bytes key, data;
};

struct Bth {
    std::uint8_t cbKey = 0, cbEnt = 0, levels = 0;
    std::uint32_t root = 0;
    std::vector<BthRecord> records; // leaf records in key order
};

// Reads a BTree-on-heap whose header is at hid; checks order and level structure.
std::optional<Bth> readBth(const Heap& heap, std::uint32_t hid, const std::string& what);

struct Property {
    std::uint16_t type = 0;
    Bytes value;
    std::string storage; // "inline", "heap", "subnode"
    std::uint32_t hnid = 0; // where stored in the heap or a subnode
};

// Resolves an HNID: heap item where it is a HID, the subnode's data where it is a NID.
std::optional<Bytes> resolveHnid(const Heap& heap, const NodeFrame& frame, std::uint32_t hnid, const std::string& what,
                                 std::string* storage = nullptr);

// Reads a property context: property id -> typed value. Checks types, sizes, storage.
std::optional<std::map<std::uint16_t, Property>> readPropertyContext(const NodeFrame& frame, const std::string& context,
                                                                    Findings& findings);

struct TableColumn {
    std::uint32_t tag = 0;
    std::uint16_t ib = 0;
    std::uint8_t cb = 0, iBit = 0;
};

struct Table {
    std::uint16_t rgib[4] = {};
    std::vector<TableColumn> columns;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> rowIndex; // row id -> row number
    std::uint32_t hnidRows = 0;
    std::vector<std::vector<std::optional<Bytes>>> rows; // per row, per column
};

// Reads a table context: column descriptors, row index and every row's cells.
std::optional<Table> readTableContext(const NodeFrame& frame, const std::string& context, Findings& findings);

// The value of a cell of the given column, if the row has it.
const std::optional<Bytes>* cell(const Table& table, std::size_t row, std::uint32_t tag);
// The cells a row has, by column tag.
std::map<std::uint32_t, Bytes> rowCells(const Table& table, std::size_t row);

} // namespace brenmoor::pstcheck
