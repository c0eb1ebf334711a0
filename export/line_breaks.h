// Line breaks inside item values. A multi-line value (a street, a comment) may hold
// LF, CR or CR LF; the text and HTML files end every line with CR LF, so the breaks
// inside values are written that way too.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::exporting {

// Appends value to out with every line break (CR LF, CR or LF) written as CR LF.
void appendWithCrLf(std::string& out, std::string_view value);

// True where value holds a CR or an LF.
inline bool holdsLineBreak(std::string_view value) {
    return value.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace brenmoor::exporting
