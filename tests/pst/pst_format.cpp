// Byte-level primitives of the PST file format for the independent checker.
#include "pst_format.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace brenmoor::pstcheck {

namespace {

// The permutation that encodes a data block byte by byte (the format's mpbbR table).
constexpr std::uint8_t kEncode[256] = {
    65,  54,  19,  98,  168, 33,  110, 187, 244, 22,  204, 4,   127, 100, 232, 93,
    30,  242, 203, 42,  116, 197, 94,  53,  210, 149, 71,  158, 150, 45,  154, 136,
    76,  125, 132, 63,  219, 172, 49,  182, 72,  95,  246, 196, 216, 57,  139, 231,
    35,  59,  56,  142, 200, 193, 223, 37,  177, 32,  165, 70,  96,  78,  156, 251,
    170, 211, 86,  81,  69,  124, 85,  0,   7,   201, 43,  157, 133, 155, 9,   160,
    143, 173, 179, 15,  99,  171, 137, 75,  215, 167, 21,  90,  113, 102, 66,  191,
    38,  74,  107, 152, 250, 234, 119, 83,  178, 112, 5,   44,  253, 89,  58,  134,
    126, 206, 6,   235, 130, 120, 87,  199, 141, 67,  175, 180, 28,  212, 91,  205,
    226, 233, 39,  79,  195, 8,   114, 128, 207, 176, 239, 245, 40,  109, 190, 48,
    77,  52,  146, 213, 14,  60,  34,  50,  229, 228, 249, 159, 194, 209, 10,  129,
    18,  225, 238, 145, 131, 118, 227, 151, 230, 97,  138, 23,  121, 164, 183, 220,
    144, 122, 92,  140, 2,   166, 202, 105, 222, 80,  26,  17,  147, 185, 82,  135,
    88,  252, 237, 29,  55,  73,  27,  106, 224, 41,  51,  153, 189, 108, 217, 148,
    243, 64,  84,  111, 240, 198, 115, 184, 214, 62,  101, 24,  68,  31,  221, 103,
    16,  241, 12,  25,  236, 174, 3,   161, 20,  123, 169, 11,  255, 248, 163, 192,
    162, 1,   247, 46,  188, 36,  104, 117, 13,  254, 186, 47,  181, 208, 218, 61,
};

std::array<std::uint8_t, 256> makeDecode()
{
    std::array<std::uint8_t, 256> decode{};
    for (int i = 0; i < 256; ++i) decode[kEncode[i]] = std::uint8_t(i);
    return decode;
}

std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string guidText(const std::uint8_t* p)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", le32(p),
                  le16(p + 4), le16(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    return buf;
}

} // namespace

std::uint32_t pstCrc(const std::uint8_t* data, std::size_t size)
{
    static const auto table = makeCrcTable();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

std::uint16_t pstSignature(std::uint64_t ib, std::uint64_t bid)
{
    const std::uint64_t folded = ib ^ bid;
    return std::uint16_t(std::uint16_t(folded >> 16) ^ std::uint16_t(folded));
}

void unpermute(std::uint8_t* data, std::size_t size)
{
    static const auto decode = makeDecode();
    for (std::size_t i = 0; i < size; ++i) data[i] = decode[data[i]];
}

bool isKnownPropType(std::uint16_t type)
{
    switch (type & ~PT_MV) {
    case PT_I2: case PT_LONG: case PT_FLOAT: case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME:
    case PT_I8: case PT_STRING8: case PT_UNICODE: case PT_SYSTIME: case PT_CLSID: case PT_BINARY:
        return true;
    case PT_ERROR: case PT_BOOLEAN: case PT_OBJECT: case PT_SVREID: case PT_SRESTRICT:
    case PT_ACTIONS:
        return (type & PT_MV) == 0;
    default:
        return false;
    }
}

std::size_t fixedSize(std::uint16_t type)
{
    switch (type) {
    case PT_BOOLEAN: return 1;
    case PT_I2: return 2;
    case PT_LONG: case PT_FLOAT: case PT_ERROR: return 4;
    case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME: case PT_I8: case PT_SYSTIME: return 8;
    case PT_CLSID: return 16;
    default: return 0;
    }
}

std::string hex(const std::uint8_t* data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string hexNumber(std::uint64_t value, int digits)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buf;
}

std::string utf16ToUtf8(const std::uint8_t* data, std::size_t size)
{
    std::string out;
    out.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::uint32_t unit = le16(data + i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
            const std::uint32_t low = le16(data + i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
        appendUtf8(out, unit);
    }
    return out;
}

std::string fileTimeText(std::uint64_t filetime)
{
    // 11644473600 seconds lie between 1601-01-01 and 1970-01-01.
    const long long seconds = static_cast<long long>(filetime / 10000000ULL) - 11644473600LL;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return hexNumber(filetime);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}

std::string valueText(std::uint16_t type, const Bytes& v)
{
    const std::uint8_t* p = v.data();
    const std::size_t n = v.size();
    const std::size_t fixed = fixedSize(type);
    if (fixed && n != fixed) return "(" + std::to_string(n) + " bytes, expected " +
                                     std::to_string(fixed) + ") " + hex(p, n);
    char buf[64];
    switch (type) {
    case PT_BOOLEAN: return p[0] ? "true" : "false";
    case PT_I2: return std::to_string(std::int16_t(le16(p)));
    case PT_LONG: return std::to_string(std::int32_t(le32(p))) + " (" + hexNumber(le32(p), 8) + ")";
    case PT_ERROR: return "error " + hexNumber(le32(p), 8);
    case PT_FLOAT: { float f; std::memcpy(&f, p, 4); std::snprintf(buf, sizeof buf, "%g", f); return buf; }
    case PT_DOUBLE: case PT_APPTIME: {
        double d; std::memcpy(&d, p, 8); std::snprintf(buf, sizeof buf, "%g", d); return buf; }
    case PT_CURRENCY: case PT_I8: return std::to_string(std::int64_t(le64(p)));
    case PT_SYSTIME: return fileTimeText(le64(p));
    case PT_CLSID: return guidText(p);
    case PT_UNICODE: return "\"" + utf16ToUtf8(p, n) + "\"";
    case PT_STRING8: return "\"" + std::string(reinterpret_cast<const char*>(p), n) + "\"";
    default: break;
    }
    if (type & PT_MV) {
        const std::uint16_t base = type & ~PT_MV;
        std::string out = "[";
        const std::size_t each = fixedSize(base);
        if (each) {
            for (std::size_t i = 0; i + each <= n; i += each) {
                if (i) out += ", ";
                out += valueText(base, Bytes(p + i, p + i + each));
            }
        } else if (n >= 4) {
            const std::uint32_t count = le32(p);
            if (4 + std::size_t(count) * 4 > n) return "(malformed multi-value) " + hex(p, n);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::size_t start = le32(p + 4 + 4 * i);
                const std::size_t end = i + 1 < count ? le32(p + 8 + 4 * i) : n;
                if (start > end || end > n) return "(malformed multi-value) " + hex(p, n);
                if (i) out += ", ";
                out += valueText(base, Bytes(p + start, p + end));
            }
        }
        return out + "]";
    }
    return hex(p, n);
}

} // namespace brenmoor::pstcheck
