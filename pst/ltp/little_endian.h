// Little-endian integers in place: how every count, offset, HID and tag of the
// lists-tables-properties structures sits in the bytes of a heap or a row.
#pragma once

#include <cstdint>

namespace brenmoor::pst::ltp {

inline void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

inline void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

inline std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
        | std::uint32_t(p[3]) << 24;
}

} // namespace brenmoor::pst::ltp
