// Escaping for the command line's line-per-record output.
#include "cli/escaped_text.h"

namespace brenmoor::cli {

void appendEscaped(std::string& out, std::string_view text) {
    // Room for the line end after it too, so that a huge value is not copied for it.
    out.reserve(out.size() + text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
}

} // namespace brenmoor::cli
