// The HTML export: one page per contact, FirstLast_N.html, a two-column table of
// 44 labelled values under the contact's full name.
#pragma once

#include <memory>
#include <string>

#include "export/format_writer.h"

namespace brenmoor::exporting {

// The whole page of one contact (188 lines).
std::string htmlPage(const notes::ContactDocument& doc);

std::unique_ptr<FormatWriter> makeHtmlWriter();

} // namespace brenmoor::exporting
