// Property values in their stored form: the constructors below turn ordinary C++
// values into the little-endian bytes, UTF-16LE texts and multi-value layouts that
// property and table contexts write to the file.
#include "pst/ltp/property_value.h"

#include <cstring>

#include "pst/util/little_endian.h"
#include "text/text_bytes.h"

namespace brenmoor::pst::ltp {

// Malformed sequences (stray continuation bytes, truncated or overlong forms,
// surrogates) become U+FFFD each, so a broken byte in a Notes item never swallows the
// characters after it.
namespace {

template <typename Out>
std::size_t appendUtf16To(Out& out, std::string_view utf8, bool final)
{
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    // UTF-16 takes at most two bytes for each UTF-8 byte; the rest is cut off below.
    const std::size_t start = out.size();
    out.resize(start + 2 * n);
    std::uint8_t* w = out.data() + start;
    auto unit = [&](std::uint32_t u) {
        *w++ = std::uint8_t(u);
        *w++ = std::uint8_t(u >> 8);
    };
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) { // the common case: ASCII
            unit(c);
            ++i;
            continue;
        }
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        std::size_t need = 0;
        std::uint32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            need = 1, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            need = 2, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            need = 3, cp = c & 0x07, min = 0x10000;
        }
        if (need > 0) {
            std::size_t k = 1;
            for (; k <= need && i + k < n && text::continuesCharacter(static_cast<char>(s[i + k])); ++k)
                cp = (cp << 6) | (s[i + k] & 0x3F);
            if (k <= need && i + k == n && !final)
                break; // the character goes on in the next piece
            if (k <= need) {
                cp = 0xFFFD;
                len = k; // the bytes read so far make one replacement character
            } else {
                len = need + 1;
                if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                    cp = 0xFFFD;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 | (cp >> 10));
            unit(0xDC00 | (cp & 0x3FF));
        } else {
            unit(cp);
        }
        i += len;
    }
    out.resize(std::size_t(w - out.data()));
    return i;
}

} // namespace

std::size_t appendUtf16(Bytes& out, std::string_view utf8, bool final) { return appendUtf16To(out, utf8, final); }
std::size_t appendUtf16(ValueBytes& out, std::string_view utf8, bool final) { return appendUtf16To(out, utf8, final); }

namespace {

// The layout of variable-size multi-valued properties: the value count, one 32-bit
// offset per value (from the start of the layout), then the values back to back.
PropValue multiValued(PropType type, const std::vector<Bytes>& values)
{
    PropValue v;
    v.type = type;
    const std::size_t headerSize = 4 + 4 * values.size();
    std::size_t total = headerSize;
    for (const Bytes& value : values)
        total += value.size();
    v.data.reserve(total);
    v.data.resize(headerSize);
    putU32(v.data.data(), std::uint32_t(values.size()));
    std::size_t offset = headerSize;
    for (std::size_t i = 0; i < values.size(); ++i) {
        putU32(v.data.data() + 4 + 4 * i, std::uint32_t(offset));
        offset += values[i].size();
    }
    for (const Bytes& value : values)
        v.data.append(value.data(), value.size());
    return v;
}

} // namespace

PropValue PropValue::int32(std::int32_t value)
{
    PropValue v;
    v.type = PT_LONG;
    v.data.resize(4);
    putU32(v.data.data(), std::uint32_t(value));
    return v;
}

PropValue PropValue::int64(std::int64_t value)
{
    PropValue v;
    v.type = PT_LONGLONG;
    v.data.resize(8);
    putU64(v.data.data(), std::uint64_t(value));
    return v;
}

PropValue PropValue::boolean(bool value)
{
    PropValue v;
    v.type = PT_BOOLEAN;
    v.data.push_back(value ? 1 : 0);
    return v;
}

PropValue PropValue::unicode(std::string_view utf8)
{
    PropValue v;
    v.type = PT_UNICODE;
    v.data.reserve(utf8.size() * 2);
    appendUtf16(v.data, utf8);
    return v;
}

PropValue PropValue::systime(std::uint64_t filetime)
{
    PropValue v;
    v.type = PT_SYSTIME;
    v.data.resize(8);
    putU64(v.data.data(), filetime);
    return v;
}

PropValue PropValue::binary(Bytes bytes)
{
    PropValue v;
    v.type = PT_BINARY;
    v.data = std::move(bytes);
    return v;
}

PropValue PropValue::clsid(const std::uint8_t (&guid)[16])
{
    PropValue v;
    v.type = PT_CLSID;
    v.data.append(guid, 16);
    return v;
}

PropValue PropValue::multiUnicode(const std::vector<std::string>& utf8)
{
    std::vector<Bytes> values;
    values.reserve(utf8.size());
    for (const std::string& text : utf8) {
        Bytes b;
        appendUtf16(b, text);
        values.push_back(std::move(b));
    }
    return multiValued(PT_MV_UNICODE, values);
}

PropValue PropValue::multiBinary(const std::vector<Bytes>& values)
{
    return multiValued(PT_MV_BINARY, values);
}

} // namespace brenmoor::pst::ltp

namespace brenmoor::pst::ltp {

std::size_t fixedSize(PropType type)
{
    switch (type) {
    case PT_BOOLEAN:
        return 1;
    case PT_SHORT:
        return 2;
    case PT_LONG:
    case PT_FLOAT:
    case PT_ERROR:
        return 4;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_LONGLONG:
    case PT_SYSTIME:
        return 8;
    case PT_CLSID:
        return 16;
    default:
        return 0;
    }
}

bool isKnownType(PropType type)
{
    switch (type) {
    case PT_UNICODE:
    case PT_BINARY:
    case PT_MV_SHORT:
    case PT_MV_LONG:
    case PT_MV_DOUBLE:
    case PT_MV_LONGLONG:
    case PT_MV_UNICODE:
    case PT_MV_SYSTIME:
    case PT_MV_CLSID:
    case PT_MV_BINARY:
        return true;
    default:
        return fixedSize(type) != 0;
    }
}

bool isWellFormed(const PropValue& value)
{
    if (!value.writtenBlocks.empty())
        return value.data.empty() && (value.type == PT_BINARY || (value.type == PT_UNICODE && value.writtenSize % 2 == 0));
    const ValueBytes& d = value.data;
    if (const std::size_t size = fixedSize(value.type))
        return d.size() == size;
    switch (value.type) {
    case PT_UNICODE:
        return d.size() % 2 == 0;
    case PT_BINARY:
        return true;
    case PT_MV_SHORT:
        return d.size() % 2 == 0;
    case PT_MV_LONG:
        return d.size() % 4 == 0;
    case PT_MV_DOUBLE:
    case PT_MV_LONGLONG:
    case PT_MV_SYSTIME:
        return d.size() % 8 == 0;
    case PT_MV_CLSID:
        return d.size() % 16 == 0;
    case PT_MV_UNICODE:
    case PT_MV_BINARY: {
        auto u32 = [&](std::size_t at) { return getU32(d.data() + at); };
        if (d.size() < 4)
            return false;
        const std::uint64_t count = u32(0);
        if (4 + 4 * count > d.size())
            return false;
        std::uint64_t previous = 4 + 4 * count;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t offset = u32(4 + 4 * i);
            // The first value starts right after the offsets; the others follow in order.
            if ((i == 0 && offset != previous) || offset < previous || offset > d.size())
                return false;
            if (value.type == PT_MV_UNICODE && (offset - previous) % 2 != 0)
                return false;
            previous = offset;
        }
        return value.type != PT_MV_UNICODE || (d.size() - previous) % 2 == 0;
    }
    default:
        return false;
    }
}

} // namespace brenmoor::pst::ltp
