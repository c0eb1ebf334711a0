// Serialising the header.
#include "pst/ndb/header.h"

#include "pst/util/crc.h"

namespace brenmoor::pst::ndb {

std::array<std::uint8_t, kHeaderSize> makeHeader(const HeaderFields& h)
{
    std::array<std::uint8_t, kHeaderSize> out{};
    std::uint8_t* p = out.data();
    p[0] = '!'; p[1] = 'B'; p[2] = 'D'; p[3] = 'N';
    p[8] = 'S'; p[9] = 'M';   // wMagicClient
    putU16(p + 10, 23);       // wVer: Unicode
    putU16(p + 12, 19);       // wVerClient
    p[14] = 0x01;             // bPlatformCreate
    p[15] = 0x01;             // bPlatformAccess
    putU64(p + kHeaderBidNextP, h.bidNextP);
    putU32(p + kHeaderUnique, h.unique);
    for (std::size_t i = 0; i < 32; ++i) putU32(p + kHeaderRgnid + 4 * i, h.lastNidIndex[i]);

    std::uint8_t* root = p + kHeaderRoot;
    putU64(root + 4, h.fileEof);
    putU64(root + 12, h.lastAMap);
    putU64(root + 20, h.amapFree);
    putU64(root + 28, h.pmapFree);
    putU64(root + 36, h.nbt.bid);
    putU64(root + 44, h.nbt.ib);
    putU64(root + 52, h.bbt.bid);
    putU64(root + 60, h.bbt.ib);
    root[68] = h.amapValid ? 0x02 : 0x00; // fAMapValid: VALID_AMAP2 or invalid

    // The header's own free map and free page map are no longer used: all 0xFF.
    for (std::size_t i = 256; i < 512; ++i) p[i] = 0xFF;
    p[512] = 0x80;            // bSentinel
    p[513] = 0x01;            // bCryptMethod: permute
    putU64(p + kHeaderBidNextB, h.bidNextB);

    putU32(p + kHeaderCrcPartial, computeCrc(p + 8, 471));
    putU32(p + kHeaderCrcFull, computeCrc(p + 8, 516));
    return out;
}

} // namespace brenmoor::pst::ndb
