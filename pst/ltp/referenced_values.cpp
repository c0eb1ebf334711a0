// Decides where a referenced value lives (heap or subnode) and hands out the NIDs of
// the node's own LTP subnodes.
#include "pst/ltp/referenced_values.h"

#include <algorithm>

namespace brenmoor::pst::ltp {

ndb::NodeContent dataNode(std::span<const std::uint8_t> bytes)
{
    ndb::NodeContent node;
    for (std::size_t at = 0; at < bytes.size(); at += ndb::kMaxBlockData) {
        const std::size_t n = std::min(ndb::kMaxBlockData, bytes.size() - at);
        node.blocks.emplace_back(bytes.begin() + at, bytes.begin() + at + n);
    }
    return node;
}

ReferencedValues::ReferencedValues(HeapOnNodeBuilder& heap, Subnodes& subnodes)
    : heap_(heap), subnodes_(subnodes)
{
}

std::uint32_t ReferencedValues::store(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return 0;
    if (bytes.size() <= kMaxHeapAllocation)
        return heap_.allocate(bytes);
    const ndb::Nid nid = newSubnodeNid();
    addSubnode(nid, dataNode(bytes));
    return nid;
}

std::uint32_t ReferencedValues::storeWritten(const std::vector<std::uint64_t>& blocks)
{
    ndb::NodeContent content;
    content.blocks.resize(blocks.size());
    content.writtenBlocks = blocks;
    const ndb::Nid nid = newSubnodeNid();
    addSubnode(nid, std::move(content));
    return nid;
}

ndb::Nid ReferencedValues::newSubnodeNid()
{
    return ndb::makeNid(ndb::NID_TYPE_LTP, nextIndex_++);
}

void ReferencedValues::addSubnode(ndb::Nid nid, ndb::NodeContent content)
{
    subnodes_.emplace_back(nid, std::move(content));
}

} // namespace brenmoor::pst::ltp
