// Line breaks inside item values, written as CR LF.
#include "export/line_breaks.h"

#include "export/item_view.h"
#include "text/line_breaks.h"

namespace brenmoor::exporting {

void appendWithCrLf(std::string& out, std::string_view value) {
    roomFor(out, value.size());
    text::appendWithCrLf(out, value);
}

} // namespace brenmoor::exporting
