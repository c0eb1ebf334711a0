// The file header (Unicode): magic, versions, the next free BIDs and NIDs, the root
// (file size, allocation totals, where the two B-trees start) and the two CRCs.
#pragma once

#include <array>
#include <cstdint>

#include "pst/ndb/format.h"

namespace brenmoor::pst::ndb {

struct BlockRef {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

struct HeaderFields {
    std::uint64_t bidNextP = 0;
    std::uint64_t bidNextB = 0;
    std::uint32_t unique = 0;
    std::array<std::uint32_t, 32> lastNidIndex{}; // rgnid: the last index used per NID type
    std::uint64_t fileEof = 0;
    std::uint64_t lastAMap = 0;
    std::uint64_t amapFree = 0;
    std::uint64_t pmapFree = 0;
    BlockRef nbt;
    BlockRef bbt;
    // False while the allocation maps are being rewritten: Outlook then rebuilds them
    // rather than trust maps that a crash may have left half-updated.
    bool amapValid = true;
};

std::array<std::uint8_t, kHeaderSize> makeHeader(const HeaderFields& fields);

// Offsets inside the header, for the writer and for readers in tests.
inline constexpr std::size_t kHeaderCrcPartial = 4;
inline constexpr std::size_t kHeaderBidNextP = 32;
inline constexpr std::size_t kHeaderUnique = 40;
inline constexpr std::size_t kHeaderRgnid = 44;
inline constexpr std::size_t kHeaderRoot = 180;
inline constexpr std::size_t kHeaderBidNextB = 516;
inline constexpr std::size_t kHeaderCrcFull = 524;

} // namespace brenmoor::pst::ndb
