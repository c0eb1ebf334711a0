// A property context: the properties of one object (the store, a folder, a message)
// kept in a BTree-on-heap inside the node's heap; values too large for the heap go to
// subnodes of the node.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class PropertyContextBuilder {
public:
    // Sets (or replaces) one property. A property has one value: setting a tag
    // replaces any value of the same id, whatever its type. Throws
    // std::invalid_argument where the value's type is not the tag's or its bytes do
    // not fit the type (see isWellFormed), leaving the properties unchanged.
    void set(PropTag tag, PropValue value);
    // Removes the property of the tag's id, whatever its type.
    void erase(PropTag tag);
    const std::map<PropTag, PropValue>& properties() const { return props_; }

    // The node's content: the heap with its BTree-on-heap, and subnodes for the
    // values that live outside the heap.
    ndb::NodeContent build() const;

    // The node of the given properties at once, as set() on each in turn and build()
    // would make it (a later property replaces an earlier one of the same id), without
    // keeping them apart first.
    static ndb::NodeContent build(std::vector<std::pair<PropTag, PropValue>> properties);

private:
    // The node of properties sorted by tag, one per id.
    template <typename Range>
    static ndb::NodeContent layOut(const Range& properties);

    std::map<PropTag, PropValue> props_;
};

} // namespace brenmoor::pst::ltp
