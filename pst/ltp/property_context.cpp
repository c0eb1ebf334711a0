// Builds a property context node: a heap whose user root is a BTree-on-heap of
// (property id -> type, value or HNID) records. Values of four bytes or less are kept
// in the record itself; the others are referenced.
#include "pst/ltp/property_context.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/referenced_values.h"

namespace brenmoor::pst::ltp {

namespace {

constexpr std::uint8_t kKeySize = 2;  // wPropId
constexpr std::uint8_t kDataSize = 6; // wPropType, dwValueHnid

void checkValue(PropTag tag, const PropValue& value)
{
    if (value.type != tagType(tag))
        throw std::invalid_argument("property value type does not match its tag");
    if (!isWellFormed(value))
        throw std::invalid_argument("property value bytes do not fit its type");
}

} // namespace

void PropertyContextBuilder::set(PropTag tag, PropValue value)
{
    checkValue(tag, value);
    // One value per property id: a new type replaces the old value.
    erase(tag);
    props_[tag] = std::move(value);
}

void PropertyContextBuilder::erase(PropTag tag)
{
    auto it = props_.lower_bound(makeTag(tagId(tag), PropType(0)));
    while (it != props_.end() && tagId(it->first) == tagId(tag))
        it = props_.erase(it);
}

ndb::NodeContent PropertyContextBuilder::build() const
{
    return layOut(props_);
}

ndb::NodeContent PropertyContextBuilder::build(std::vector<std::pair<PropTag, PropValue>> properties)
{
    for (const auto& [tag, value] : properties)
        checkValue(tag, value);
    // By id, the last given of each id kept.
    std::stable_sort(properties.begin(), properties.end(),
                     [](const auto& a, const auto& b) { return tagId(a.first) < tagId(b.first); });
    std::vector<std::pair<PropTag, PropValue>> unique;
    unique.reserve(properties.size());
    for (auto& property : properties) {
        if (!unique.empty() && tagId(unique.back().first) == tagId(property.first))
            unique.back() = std::move(property);
        else
            unique.push_back(std::move(property));
    }
    return layOut(unique);
}

template <typename Range>
ndb::NodeContent PropertyContextBuilder::layOut(const Range& properties)
{
    ndb::NodeContent content;
    HeapOnNodeBuilder heap(kClientPropertyContext);
    ReferencedValues values(heap, content.subnodes);

    // The tree first (its header is the heap's first allocation), then the values.
    const BTreeOnHeapLayout tree = reserveBTreeOnHeap(heap, kKeySize, kDataSize, std::size(properties));
    heap.setUserRoot(tree.header);

    Bytes records;
    records.reserve(std::size(properties) * (kKeySize + kDataSize));
    for (const auto& [tag, value] : properties) {
        std::uint32_t cell = 0;
        const std::size_t size = fixedSize(value.type);
        if (size != 0 && size <= 4) {
            for (std::size_t i = 0; i < size; ++i)
                cell |= std::uint32_t(value.data[i]) << (8 * i);
        } else if (size != 0) {
            cell = heap.allocate(value.data);
        } else {
            cell = values.store(value.data);
        }
        const std::uint32_t fields[] = {tagId(tag), value.type};
        records.push_back(std::uint8_t(fields[0]));
        records.push_back(std::uint8_t(fields[0] >> 8));
        records.push_back(std::uint8_t(fields[1]));
        records.push_back(std::uint8_t(fields[1] >> 8));
        for (int i = 0; i < 4; ++i)
            records.push_back(std::uint8_t(cell >> (8 * i)));
    }
    fillBTreeOnHeap(heap, tree, records);
    content.blocks = heap.takeBlocks();
    return content;
}

} // namespace brenmoor::pst::ltp
