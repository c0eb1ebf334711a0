// The 512-byte pages of the file: B-tree pages of the node and block B-trees, the
// allocation, page and free maps, and the density list, each with its trailer
// (ptype, signature, CRC, BID).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "pst/ndb/format.h"

namespace brenmoor::pst::ndb {

using Page = std::array<std::uint8_t, kPageSize>;

// Fills the trailer: CRC over the 496 data bytes; map pages carry signature 0 and
// their own offset as BID.
void sealPage(Page& page, PageType type, std::uint64_t ib, std::uint64_t bid);

// A B-tree page of cEnt entries of cbEnt bytes each at `entries`.
Page makeBTreePage(PageType type, std::uint8_t level, std::size_t cbEnt, const std::uint8_t* entries,
                   std::size_t count, std::uint64_t ib, std::uint64_t bid);
inline constexpr std::size_t btreeCapacity(std::size_t cbEnt) { return kBTreeEntryBytes / cbEnt; }

// A map page at `ib` holding the 496 given bytes.
Page makeMapPage(PageType type, const std::uint8_t* bytes, std::uint64_t ib);

// The density list as Outlook leaves it in a new store: no entries; Outlook rebuilds
// it from the allocation maps.
Page makeDensityList(std::uint64_t bid);

} // namespace brenmoor::pst::ndb
