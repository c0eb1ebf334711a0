// Escaping for the command line's line-per-record output.
#include "cli/escaped_text.h"

namespace brenmoor::cli {

void appendEscaped(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size());
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
