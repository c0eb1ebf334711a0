// Text written so that it stays on its line of the command line's output: backslash,
// CR, LF and TAB become \\, \r, \n and \t. list and show write every name and value
// this way, so no value can make a line of its own.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::cli {

// Appends text to out, escaped.
void appendEscaped(std::string& out, std::string_view text);

} // namespace brenmoor::cli
