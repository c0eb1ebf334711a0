// Line breaks inside item values, written as CR LF.
#include "export/line_breaks.h"

#include "export/item_view.h"

namespace brenmoor::exporting {

void appendWithCrLf(std::string& out, std::string_view value) {
    roomFor(out, value.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c != '\r' && c != '\n') continue;
        out.append(value.substr(start, i - start));
        out += "\r\n";
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        start = i + 1;
    }
    out.append(value.substr(start));
}

} // namespace brenmoor::exporting
