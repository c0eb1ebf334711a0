// A property context: the properties of one object (the store, a folder, a message)
// kept in a BTree-on-heap inside the node's heap; values too large for the heap go to
// subnodes of the node.
#pragma once

#include <map>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::ltp {

class PropertyContextBuilder {
public:
    // Sets (or replaces) one property.
    void set(PropTag tag, PropValue value);
    void erase(PropTag tag);
    const std::map<PropTag, PropValue>& properties() const { return props_; }

    // The node's content: the heap with its BTree-on-heap, and subnodes for the
    // values that live outside the heap.
    ndb::NodeContent build() const;

private:
    std::map<PropTag, PropValue> props_;
};

} // namespace brenmoor::pst::ltp
