// Builds a property context node: a heap whose user root is a BTree-on-heap of
// (property id -> type, value or HNID) records. Values of four bytes or less are kept
// in the record itself; the others are referenced.
#include "pst/ltp/property_context.h"

#include <algorithm>
#include <stdexcept>

#include "pst/ltp/btree_on_heap.h"
#include "pst/ltp/heap_on_node.h"
#include "pst/ltp/referenced_values.h"
#include "pst/util/little_endian.h"

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
    // By id, the last given of each id kept: the positions are sorted, not the values.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order; // (id, position)
    order.reserve(properties.size());
    for (std::size_t i = 0; i < properties.size(); ++i) {
        checkValue(properties[i].first, properties[i].second);
        order.emplace_back(tagId(properties[i].first), std::uint32_t(i));
    }
    std::sort(order.begin(), order.end());
    std::vector<const std::pair<PropTag, PropValue>*> unique;
    unique.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i + 1 == order.size() || order[i + 1].first != order[i].first)
            unique.push_back(&properties[order[i].second]);
    struct Deref { // iterates the pointers as the pairs themselves
        const std::vector<const std::pair<PropTag, PropValue>*>& items;
        struct Iterator {
            std::vector<const std::pair<PropTag, PropValue>*>::const_iterator at;
            const std::pair<PropTag, PropValue>& operator*() const { return **at; }
            Iterator& operator++() { ++at; return *this; }
            bool operator!=(const Iterator& other) const { return at != other.at; }
        };
        Iterator begin() const { return {items.begin()}; }
        Iterator end() const { return {items.end()}; }
        std::size_t size() const { return items.size(); }
    };
    return layOut(Deref{unique});
}

template <typename Range>
ndb::NodeContent PropertyContextBuilder::layOut(const Range& properties)
{
    ndb::NodeContent content;
    HeapOnNodeBuilder heap(kClientPropertyContext);
    ReferencedValues values(heap, content.subnodes);

    // The tree first (its header is the heap's first allocation), then the values.
    const BTreeOnHeapLayout tree = reserveBTreeOnHeap(heap, kKeySize, kDataSize, properties.size());
    heap.setUserRoot(tree.header);

    Bytes records(properties.size() * (kKeySize + kDataSize));
    std::uint8_t* record = records.data();
    for (const auto& [tag, value] : properties) {
        std::uint32_t cell = 0;
        const std::size_t size = fixedSize(value.type);
        if (size != 0 && size <= 4) {
            for (std::size_t i = 0; i < size; ++i)
                cell |= std::uint32_t(value.data[i]) << (8 * i);
        } else if (size != 0) {
            cell = heap.allocate(value.data);
        } else if (!value.writtenBlocks.empty()) {
            cell = values.storeWritten(value.writtenBlocks);
        } else {
            cell = values.store(value.data);
        }
        putU16(record, tagId(tag));
        putU16(record + 2, std::uint16_t(value.type));
        putU32(record + 4, cell);
        record += kKeySize + kDataSize;
    }
    fillBTreeOnHeap(heap, tree, records);
    content.blocks = heap.takeBlocks();
    return content;
}

} // namespace brenmoor::pst::ltp
