// Serialising pages and their trailers.
#include "pst/ndb/pages.h"

#include <cstring>

#include "pst/util/crc.h"

namespace brenmoor::pst::ndb {

void sealPage(Page& page, PageType type, std::uint64_t ib, std::uint64_t bid)
{
    const bool mapPage = type == PTYPE_AMAP || type == PTYPE_PMAP || type == PTYPE_FMAP || type == PTYPE_FPMAP;
    std::uint8_t* trailer = page.data() + kPageDataSize;
    trailer[0] = type;
    trailer[1] = type;
    putU16(trailer + 2, mapPage ? 0 : computeSig(ib, bid));
    putU32(trailer + 4, computeCrc(page.data(), kPageDataSize));
    putU64(trailer + 8, mapPage ? ib : bid);
}

Page makeBTreePage(PageType type, std::uint8_t level, std::size_t cbEnt, const std::uint8_t* entries,
                   std::size_t count, std::uint64_t ib, std::uint64_t bid)
{
    Page page{};
    if (count) std::memcpy(page.data(), entries, count * cbEnt);
    page[kBTreeEntryBytes] = std::uint8_t(count);
    page[kBTreeEntryBytes + 1] = std::uint8_t(btreeCapacity(cbEnt));
    page[kBTreeEntryBytes + 2] = std::uint8_t(cbEnt);
    page[kBTreeEntryBytes + 3] = level;
    sealPage(page, type, ib, bid);
    return page;
}

Page makeMapPage(PageType type, const std::uint8_t* bytes, std::uint64_t ib)
{
    Page page{};
    std::memcpy(page.data(), bytes, kPageDataSize);
    sealPage(page, type, ib, ib);
    return page;
}

Page makeDensityList(std::uint64_t bid)
{
    Page page{};
    sealPage(page, PTYPE_DLIST, kDensityListOffset, bid);
    return page;
}

} // namespace brenmoor::pst::ndb
