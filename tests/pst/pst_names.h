// The names behind a store's named property ids, read from its name-to-ID map (node 0x61):
// each id from 0x8000 on stands for a property set GUID and a numeric LID or a string name.
// The dump shows them, and tests compare stores property by property through them.
#pragma once

#include "pst_reader.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace brenmoor::pstcheck {

using GuidBytes = std::array<std::uint8_t, 16>; // in the file's byte order

struct PropertyName {
    GuidBytes set{};
    bool isString = false;
    std::uint32_t lid = 0; // the LID where !isString
    std::string name;      // the name (UTF-8) where isString

    bool operator<(const PropertyName& other) const;
    bool operator==(const PropertyName& other) const = default;
};

// id -> name for every entry of the map; empty where the store has no readable map.
std::map<std::uint16_t, PropertyName> readPropertyNames(const PstFile& file);

// "PSETID_Address:0x8005", "PS_PUBLIC_STRINGS:Keywords", or the GUID in braces for other sets.
std::string propertyNameText(const PropertyName& name);

} // namespace brenmoor::pstcheck
