// The PST format's CRC-32, table driven.
#include "pst/ndb/crc.h"

#include <array>

namespace brenmoor::pst::ndb {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();
static_assert(kTable[1] == 0x77073096u && kTable[255] == 0x2D02EF8Du);

} // namespace

std::uint32_t computeCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc)
{
    for (std::size_t i = 0; i < size; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

} // namespace brenmoor::pst::ndb
