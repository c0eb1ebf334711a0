// Text held as UTF-8 bytes, the rules every layer shares: letters compared without
// regard to ASCII case (item, form and encoding names), white space trimmed from both
// ends, and the bytes that continue a character, where a cut must not fall.
#pragma once

#include <cstddef>
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

// text without the spaces, tabs and line breaks at its ends.
constexpr std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
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

} // namespace brenmoor::text
