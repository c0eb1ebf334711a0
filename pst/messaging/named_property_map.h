// The store's name-to-ID map: the named properties (a property set GUID and a
// numeric LID or a string name) that messages use, each given a property ID from
// 0x8000 on, and the map's own node with its GUID, entry and string streams and
// its hash buckets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

using Guid = std::array<std::uint8_t, 16>; // in the file's byte order

// {00062004-0000-0000-C000-000000000046}: contact properties.
inline constexpr Guid kPsetidAddress{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {00020329-0000-0000-C000-000000000046}: named by string, e.g. "Keywords".
inline constexpr Guid kPsPublicStrings{0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                       0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {00020328-0000-0000-C000-000000000046}
inline constexpr Guid kPsMapi{0x28, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                              0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

struct PropertyName {
    Guid set;
    std::variant<std::uint32_t, std::string> id; // LID, or the name (UTF-8)
};

class NamedPropertyMap {
public:
    static constexpr std::uint32_t kBucketCount = 251;

    // The property ID of the name, assigning the next free one on first use.
    std::uint16_t idOf(const PropertyName& name);
    std::size_t size() const { return names_.size(); }

    // The map's property context (NID_NAME_TO_ID_MAP). Its streams are PT_BINARY
    // values; the builder places the large ones in subnodes.
    ndb::NodeContent build() const;
    // The properties that build() lays out, for inspection.
    std::vector<std::pair<ltp::PropTag, ltp::PropValue>> properties() const;

private:
    std::vector<PropertyName> names_;
    // The IDs of the numeric names, looked up once per property of every saved item:
    // by (the set's place in sets_) << 32 | LID.
    std::vector<Guid> sets_;
    std::unordered_map<std::uint64_t, std::uint16_t> numericIds_;
};

} // namespace brenmoor::pst::messaging
