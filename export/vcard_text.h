// The text of vCard 3.0 and 4.0 content lines: values escaped as each version requires
// and lines folded at 75 octets.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::exporting {

// The longest line of a vCard file, in octets, its line break not counted.
inline constexpr std::size_t kVcardLineOctets = 75;

// Whether ";" is escaped: always in vCard 3.0 (RFC 2426); in vCard 4.0 (RFC 6350) only in
// the components of a compound value (N, ADR, ORG), its grammar having no "\;" in text.
enum class Semicolons { Kept, Escaped };

// Appends value with "\" and "," (and ";" where asked) each escaped by a backslash and
// every line break (CR LF, CR or LF) written as "\n".
void appendVcardEscaped(std::string& out, std::string_view value, Semicolons semicolons);

// Appends one content line (given without its line break) folded so that no line of
// the file is longer than 75 octets: each continuation starts with CR LF and a space,
// and a fold never falls inside a UTF-8 sequence. Ends with CR LF.
void appendFoldedLine(std::string& out, std::string_view line);

} // namespace brenmoor::exporting
