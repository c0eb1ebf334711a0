// The node database of a PST file: the layer that stores nodes (a data tree of blocks
// plus a subnode tree) behind the header, the allocation maps and the node and block
// B-trees. Layers above hand it whole nodes; it lays them out in blocks and writes the
// file. Unicode format only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brenmoor::pst::ndb {

using Bytes = std::vector<std::uint8_t>;

// Largest payload of one data block (8192 bytes less the 16-byte trailer).
inline constexpr std::size_t kMaxBlockData = 8176;

using Nid = std::uint32_t;

// NID types (the low five bits of a NID).
enum NidType : std::uint32_t {
    NID_TYPE_HID = 0x00,
    NID_TYPE_INTERNAL = 0x01,
    NID_TYPE_NORMAL_FOLDER = 0x02,
    NID_TYPE_SEARCH_FOLDER = 0x03,
    NID_TYPE_NORMAL_MESSAGE = 0x04,
    NID_TYPE_ATTACHMENT = 0x05,
    NID_TYPE_SEARCH_UPDATE_QUEUE = 0x06,
    NID_TYPE_SEARCH_CRITERIA_OBJECT = 0x07,
    NID_TYPE_ASSOC_MESSAGE = 0x08,
    NID_TYPE_CONTENTS_TABLE_INDEX = 0x0A,
    NID_TYPE_RECEIVE_FOLDER_TABLE = 0x0B,
    NID_TYPE_OUTGOING_QUEUE_TABLE = 0x0C,
    NID_TYPE_HIERARCHY_TABLE = 0x0D,
    NID_TYPE_CONTENTS_TABLE = 0x0E,
    NID_TYPE_ASSOC_CONTENTS_TABLE = 0x0F,
    NID_TYPE_SEARCH_CONTENTS_TABLE = 0x10,
    NID_TYPE_ATTACHMENT_TABLE = 0x11,
    NID_TYPE_RECIPIENT_TABLE = 0x12,
    NID_TYPE_SEARCH_TABLE_INDEX = 0x13,
    NID_TYPE_LTP = 0x1F,
};

constexpr Nid makeNid(NidType type, std::uint32_t index) { return (index << 5) | type; }
constexpr NidType nidType(Nid nid) { return static_cast<NidType>(nid & 0x1F); }
constexpr std::uint32_t nidIndex(Nid nid) { return nid >> 5; }

struct Subnode;

// A node as the layers above lay it out.
struct NodeContent {
    // The leaves of the node's data tree, in order, each 1..kMaxBlockData bytes. A
    // heap-on-node keeps one heap page per block, so the split is the caller's.
    // No blocks: the node has no data.
    std::vector<Bytes> blocks;
    // The node's subnodes (each may have subnodes of its own), any order.
    std::vector<Subnode> subnodes;
    // Leaves written before with NodeDatabaseWriter::writeDataBlock: empty, or one
    // entry per leaf, where a BID other than 0 stands for the leaf (its bytes in
    // blocks are left empty).
    std::vector<std::uint64_t> writtenBlocks = {};
};

// A subnode: a node of its own inside a node, known by a NID local to that node. A
// named pair rather than std::pair, which a node's list of subnodes could not hold
// while the node's type is still being declared.
struct Subnode {
    Subnode(Nid nid, NodeContent content) : nid(nid), content(std::move(content)) {}
    Nid nid;
    NodeContent content;
};

// Writes a new PST file. Nodes are laid out as they are put; commit() writes the
// B-trees, the allocation maps and the header. A file not committed is not a store.
class NodeDatabaseWriter {
public:
    // Creates the file; throws std::runtime_error (with the system's reason) where it
    // cannot, and where a file of that name already exists.
    explicit NodeDatabaseWriter(const std::string& path);
    // Writes into fd, an empty file open for reading and writing, which it takes over;
    // name stands for the file in messages.
    NodeDatabaseWriter(int fd, const std::string& name);
    ~NodeDatabaseWriter();
    NodeDatabaseWriter(const NodeDatabaseWriter&) = delete;
    NodeDatabaseWriter& operator=(const NodeDatabaseWriter&) = delete;

    // Adds a top-level node, or replaces the node of that NID (its old blocks are
    // freed). Throws std::runtime_error on a write failure (after which the writer
    // refuses further work), std::invalid_argument for a node the format cannot hold
    // (an empty or oversized block, two subnodes of one NID); a refused node leaves
    // the store as it was.
    void putNode(Nid nid, Nid parentNid, const NodeContent& content);
    bool hasNode(Nid nid) const;

    // A NID of that type not yet used in this store (the header's next-NID counters
    // advance with it, and with every node put). Folders and their hierarchy,
    // contents and associated contents tables share one counter, as Outlook keeps them.
    Nid allocateNid(NidType type);

    // Writes the node and block B-trees, the allocation maps, the density list and
    // the header, and flushes. The writer may take more nodes afterwards and commit
    // again.
    void commit();
    // True once a write failed: the writer refuses all further work.
    bool failed() const;

    // Data blocks that the caller writes ahead of their node (a table whose rows go
    // out as they come) and keeps until it releases them: a node put later names them
    // in NodeContent::writtenBlocks, and replacing that node leaves them alone. Every
    // such block must be part of a node when the writer commits.
    std::uint64_t writeDataBlock(const std::uint8_t* data, std::size_t size);
    // The bytes of such a block, as given.
    Bytes readDataBlock(std::uint64_t bid);
    // Frees such a block; no node put afterwards may name it.
    void releaseDataBlock(std::uint64_t bid);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace brenmoor::pst::ndb
