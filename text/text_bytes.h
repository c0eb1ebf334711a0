// Text held as UTF-8 bytes, the rules every layer shares: letters compared without
// regard to ASCII case (item, form and encoding names), white space trimmed from both
// ends, and the bytes that continue a character, where a cut must not fall.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brenmoor::text {

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True where a and b differ at most in the case of ASCII letters.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

inline constexpr std::string_view kWhiteSpace = " \t\r\n";

// Whether c is one of kWhiteSpace's, tested without a search of it.
constexpr bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first position at or after from whose byte is one of set's, or npos: as
// find_first_of, which looks the set up with a call for every byte of the text.
constexpr std::size_t findAnyOf(std::string_view text, std::string_view set, std::size_t from = 0) {
    std::uint64_t inSet[4] = {}; // a bit for each byte value
    for (char c : set) inSet[static_cast<unsigned char>(c) >> 6] |= std::uint64_t(1) << (c & 63);
    for (std::size_t i = from; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((inSet[byte >> 6] >> (byte & 63)) & 1) return i;
    }
    return std::string_view::npos;
}

// text without the spaces, tabs and line breaks at its ends.
constexpr std::string_view trimmed(std::string_view text) {
    std::size_t first = 0, end = text.size();
    while (first < end && isWhiteSpace(text[first])) ++first;
    while (end > first && isWhiteSpace(text[end - 1])) --end;
    return text.substr(first, end - first);
}

// True for the second and later bytes of a UTF-8 character (10xxxxxx).
constexpr bool continuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The longest a name made of other values (a display name, a file-as text, an LDAP dn)
// grows: a part of absurd length stays whole in its own field, while the names made of it
// take its start only, so that no export holds several copies of it.
inline constexpr std::size_t kDerivedNameLimit = 32 * 1024;

// The first limit bytes of text at most, cut before a character, never inside one.
constexpr std::string_view cutBefore(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    while (limit > 0 && continuesCharacter(text[limit])) --limit;
    return text.substr(0, limit);
}

// Appends value in decimal with zeros before it up to width characters, as printf's
// "%0*d" writes it (a minus sign counts in the width), without printf's cost of a
// format parsed and a locale looked at for every number of every date.
inline void appendZeroPadded(std::string& out, long long value, int width) {
    char digits[24];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    std::string_view text(digits, static_cast<std::size_t>(written.ptr - digits));
    if (value < 0) {
        out += '-';
        text.remove_prefix(1);
        --width;
    }
    for (int pad = width - static_cast<int>(text.size()); pad > 0; --pad) out += '0';
    out += text;
}

// first, second and third with separator between them, the first zero-padded to
// firstWidth digits and the others to two: a date or a time ("2024-01-31", "20240131",
// "09:05:00").
inline std::string threeNumbers(int first, int firstWidth, int second, int third, std::string_view separator) {
    std::string out;
    appendZeroPadded(out, first, firstWidth);
    out += separator;
    appendZeroPadded(out, second, 2);
    out += separator;
    appendZeroPadded(out, third, 2);
    return out;
}

} // namespace brenmoor::text
