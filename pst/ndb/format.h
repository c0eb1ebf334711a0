// The fixed numbers of the PST file layout (Unicode format): where the header, the
// density list and the allocation maps sit, page and block sizes, page types.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pst/util/little_endian.h"

namespace brenmoor::pst::ndb {

inline constexpr std::uint64_t kHeaderSize = 564;
inline constexpr std::uint64_t kDensityListOffset = 0x4200;
inline constexpr std::uint64_t kFirstAMapOffset = 0x4400;
inline constexpr std::uint64_t kPageSize = 512;
inline constexpr std::uint64_t kPageDataSize = 496;          // page less its trailer
inline constexpr std::uint64_t kSlotSize = 64;               // one allocation-map bit
inline constexpr std::uint64_t kSlotsPerRegion = kPageDataSize * 8;
inline constexpr std::uint64_t kRegionSize = kSlotsPerRegion * kSlotSize; // 253,952
inline constexpr std::uint64_t kRegionsPerPMap = 8;
// The header's free map covers the first 128 regions; from there an FMap page (a byte
// per region) starts every 496 regions.
inline constexpr std::uint64_t kFirstFMapRegion = 128;
inline constexpr std::uint64_t kRegionsPerFMap = 496;
// The header's free page map covers the first 1,024 PMaps (8,192 regions, about 2 GB);
// from there an FPMap page (a bit per PMap) starts every 3,968 PMaps (31,744 regions).
inline constexpr std::uint64_t kFirstFPMapRegion = 8192;
inline constexpr std::uint64_t kRegionsPerFPMap = kPageDataSize * 8 * kRegionsPerPMap;
// A store grows to 50 GiB at most, Outlook's own limit for a Unicode store.
inline constexpr std::uint64_t kMaxStoreSize = std::uint64_t(50) << 30;
inline constexpr std::uint64_t kMaxRegions = (kMaxStoreSize - kFirstAMapOffset) / kRegionSize;

inline constexpr std::uint64_t kBlockTrailerSize = 16;
inline constexpr std::uint64_t kMaxBlockSize = 8192;

// Page types (the page trailer's ptype).
enum PageType : std::uint8_t {
    PTYPE_BBT = 0x80,
    PTYPE_NBT = 0x81,
    PTYPE_FMAP = 0x82,
    PTYPE_PMAP = 0x83,
    PTYPE_AMAP = 0x84,
    PTYPE_FPMAP = 0x85,
    PTYPE_DLIST = 0x86,
};

// B-tree page geometry: 488 bytes of entries, then cEnt, cEntMax, cbEnt, cLevel.
inline constexpr std::size_t kBTreeEntryBytes = 488;
inline constexpr std::size_t kNbtEntrySize = 32;
inline constexpr std::size_t kBbtEntrySize = 24;
inline constexpr std::size_t kBTreeIndexEntrySize = 24;

// Internal blocks (XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK) carry this bit in their BID.
inline constexpr std::uint64_t kInternalBidBit = 0x2;

inline constexpr std::uint64_t regionStart(std::uint64_t region) { return kFirstAMapOffset + region * kRegionSize; }
inline constexpr bool regionHasPMap(std::uint64_t region) { return region % kRegionsPerPMap == 0; }
inline constexpr bool regionHasFMap(std::uint64_t region)
{
    return region >= kFirstFMapRegion && (region - kFirstFMapRegion) % kRegionsPerFMap == 0;
}
inline constexpr bool regionHasFPMap(std::uint64_t region)
{
    return region >= kFirstFPMapRegion && (region - kFirstFPMapRegion) % kRegionsPerFPMap == 0;
}
// The map pages sit one after another at the start of their region: the AMap, then
// the PMap, the FMap and the FPMap where the region has one. (FMap and FPMap never
// share a region: their regions are 128 and 256 apart modulo 496.)
inline constexpr std::uint64_t regionMapBytes(std::uint64_t region)
{
    return kPageSize * (1 + (regionHasPMap(region) ? 1 : 0) + (regionHasFMap(region) ? 1 : 0) +
                        (regionHasFPMap(region) ? 1 : 0));
}

// Size a block of cb payload bytes takes on disk: payload, padding, trailer, 64-aligned.
inline constexpr std::uint64_t blockDiskSize(std::uint64_t cb)
{
    return (cb + kBlockTrailerSize + kSlotSize - 1) / kSlotSize * kSlotSize;
}

// The signature of a page or block trailer, from its file offset and BID.
inline constexpr std::uint16_t computeSig(std::uint64_t ib, std::uint64_t bid)
{
    const std::uint64_t v = ib ^ bid;
    return static_cast<std::uint16_t>((v >> 16) ^ v);
}

} // namespace brenmoor::pst::ndb
