// Byte-level primitives of the PST file format as the independent checker reads them:
// little-endian fields, the format's CRC, page and block signatures, the permutation
// that encodes data blocks, and the MAPI property types with their value rendering.
// Written apart from pst/ on purpose, so that the checker catches the writer's mistakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brenmoor::pstcheck {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::uint64_t le64(const std::uint8_t* p)
{
    return std::uint64_t(le32(p)) | (std::uint64_t(le32(p + 4)) << 32);
}
inline std::uint32_t le32(const Bytes& b, std::size_t at = 0) { return le32(b.data() + at); }
inline std::uint64_t le64(const Bytes& b, std::size_t at = 0) { return le64(b.data() + at); }

// The format's CRC-32: reflected polynomial 0xEDB88320, starting at 0, no final inversion.
std::uint32_t pstCrc(const std::uint8_t* data, std::size_t size);

// Signature of a page or block: its file offset folded with its id.
std::uint16_t pstSignature(std::uint64_t ib, std::uint64_t bid);

// Undoes the permutation (bCryptMethod 1) in place.
void unpermute(std::uint8_t* data, std::size_t size);

// Property types.
enum PropType : std::uint16_t {
    PT_I2 = 0x0002, PT_LONG = 0x0003, PT_FLOAT = 0x0004, PT_DOUBLE = 0x0005,
    PT_CURRENCY = 0x0006, PT_APPTIME = 0x0007, PT_ERROR = 0x000A, PT_BOOLEAN = 0x000B,
    PT_OBJECT = 0x000D, PT_I8 = 0x0014, PT_STRING8 = 0x001E, PT_UNICODE = 0x001F,
    PT_SYSTIME = 0x0040, PT_CLSID = 0x0048, PT_SVREID = 0x00FB, PT_SRESTRICT = 0x00FD,
    PT_ACTIONS = 0x00FE, PT_BINARY = 0x0102, PT_MV = 0x1000,
};

bool isKnownPropType(std::uint16_t type);
// Size of a fixed-size type's value; 0 for variable-size and multi-valued types.
std::size_t fixedSize(std::uint16_t type);

std::string hex(const std::uint8_t* data, std::size_t size);
std::string hexNumber(std::uint64_t value, int digits = 0);
// UTF-16LE to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::uint8_t* data, std::size_t size);
inline std::string utf16ToUtf8(const Bytes& value) { return utf16ToUtf8(value.data(), value.size()); }
// FILETIME (100 ns since 1601) as "YYYY-MM-DD hh:mm:ss UTC".
std::string fileTimeText(std::uint64_t filetime);
// A value of the given type, decoded for people: numbers, texts, times, GUIDs, hex.
std::string valueText(std::uint16_t type, const Bytes& value);

} // namespace brenmoor::pstcheck
