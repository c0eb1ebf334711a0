// Values a property or table context keeps by reference rather than inline: in the
// node's heap when they fit one allocation, otherwise each in a subnode of the node
// (NID_TYPE_LTP) whose data tree holds the bytes.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "pst/ltp/heap_on_node.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

using Subnodes = std::vector<ndb::Subnode>;

// A node's data split into blocks of at most ndb::kMaxBlockData bytes.
ndb::NodeContent dataNode(std::span<const std::uint8_t> bytes);

class ReferencedValues {
public:
    ReferencedValues(HeapOnNodeBuilder& heap, Subnodes& subnodes);

    // Stores the value and returns its HNID: a HID, a subnode's NID, or 0 for an empty
    // value (nothing is allocated for it).
    std::uint32_t store(std::span<const std::uint8_t> bytes);
    // Stores a value written ahead (PropValue::writtenBlocks): a subnode that names
    // its blocks. Returns the subnode's NID.
    std::uint32_t storeWritten(const std::vector<std::uint64_t>& blocks);

    // A NID for a new subnode of this node.
    ndb::Nid newSubnodeNid();
    void addSubnode(ndb::Nid nid, ndb::NodeContent content);

private:
    HeapOnNodeBuilder& heap_;
    Subnodes& subnodes_;
    std::uint32_t nextIndex_ = 1;
};

} // namespace brenmoor::pst::ltp
