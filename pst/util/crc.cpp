// The PST format's CRC-32, table driven, eight bytes a step ("slicing by eight": each
// of eight tables folds one byte of the step in), which every block and page pays for.
#include "pst/util/crc.h"

#include <array>

#include "pst/util/little_endian.h"

namespace brenmoor::pst {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    // t[k][i]: the CRC of byte i followed by k zero bytes.
    for (std::size_t k = 1; k < 8; ++k)
        for (std::uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

} // namespace

std::uint32_t computeCrc(const std::uint8_t* data, std::size_t size, std::uint32_t crc)
{
    const auto& t = kTables;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const std::uint32_t low = crc ^ getU32(data + i);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
    }
    for (; i < size; ++i) crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

} // namespace brenmoor::pst
