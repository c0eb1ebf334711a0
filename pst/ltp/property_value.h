// Property values as the lists-tables-properties layer stores them: a property tag
// (id and type) and the value's bytes in the file's little-endian form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pst/ltp/value_bytes.h"

namespace brenmoor::pst::ltp {

using Bytes = std::vector<std::uint8_t>;

enum PropType : std::uint16_t {
    PT_SHORT = 0x0002,
    PT_LONG = 0x0003,
    PT_FLOAT = 0x0004,
    PT_DOUBLE = 0x0005,
    PT_CURRENCY = 0x0006,
    PT_APPTIME = 0x0007,
    PT_ERROR = 0x000A,
    PT_BOOLEAN = 0x000B,
    PT_LONGLONG = 0x0014,
    PT_UNICODE = 0x001F,
    PT_SYSTIME = 0x0040,
    PT_CLSID = 0x0048,
    PT_BINARY = 0x0102,
    PT_MV_SHORT = 0x1002,
    PT_MV_LONG = 0x1003,
    PT_MV_DOUBLE = 0x1005,
    PT_MV_LONGLONG = 0x1014,
    PT_MV_UNICODE = 0x101F,
    PT_MV_SYSTIME = 0x1040,
    PT_MV_CLSID = 0x1048,
    PT_MV_BINARY = 0x1102,
};

using PropTag = std::uint32_t;
constexpr PropTag makeTag(std::uint16_t id, PropType type) { return (PropTag(id) << 16) | type; }
constexpr std::uint16_t tagId(PropTag tag) { return std::uint16_t(tag >> 16); }
constexpr PropType tagType(PropTag tag) { return PropType(tag & 0xFFFF); }

// A value's bytes as stored: fixed-size types their little-endian bytes (PT_BOOLEAN one
// byte), PT_UNICODE UTF-16LE without terminator, PT_BINARY the bytes, multi-valued
// types in the format's multi-value layout.
struct PropValue {
    PropType type = PT_LONG;
    ValueBytes data;
    // A PT_UNICODE or PT_BINARY value too large to keep in memory: the data blocks
    // its bytes were written to ahead of its node (see StreamedValueWriter), in
    // order, and their byte count; data is empty then.
    std::vector<std::uint64_t> writtenBlocks = {};
    std::uint64_t writtenSize = 0;

    std::uint64_t size() const { return writtenBlocks.empty() ? data.size() : writtenSize; }

    static PropValue int32(std::int32_t v);
    static PropValue int64(std::int64_t v);
    static PropValue boolean(bool v);
    static PropValue unicode(std::string_view utf8);
    static PropValue systime(std::uint64_t filetime); // 100 ns since 1601-01-01 UTC
    static PropValue binary(Bytes bytes);
    static PropValue clsid(const std::uint8_t (&guid)[16]);
    static PropValue multiUnicode(const std::vector<std::string>& utf8);
    static PropValue multiBinary(const std::vector<Bytes>& values);
};

// Appends the UTF-16LE form of a UTF-8 text; malformed sequences become U+FFFD each.
// Where more of the text follows (final false), a character cut off at the end is
// left for the next piece. Returns the count of bytes taken.
std::size_t appendUtf16(Bytes& out, std::string_view utf8, bool final = true);
std::size_t appendUtf16(ValueBytes& out, std::string_view utf8, bool final = true);

// The size of a fixed-size type's value (PT_BOOLEAN 1, PT_CLSID 16, ...); 0 for the
// variable-size and multi-valued types, whose values are stored by reference.
std::size_t fixedSize(PropType type);

// Whether the layer knows how to store values of the type (those listed above).
bool isKnownType(PropType type);

// Whether a value's bytes fit its type: the exact size for fixed-size types, a
// well-formed count-and-offsets layout for PT_MV_UNICODE and PT_MV_BINARY, whole
// values for the other multi-valued types, an even byte count for PT_UNICODE (also
// one written ahead). False for types the layer does not know.
bool isWellFormed(const PropValue& value);

} // namespace brenmoor::pst::ltp
