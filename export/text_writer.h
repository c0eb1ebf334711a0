// The text export: one file per contact, FirstLast_N.txt, 45 lines of label and value.
#pragma once

#include <memory>
#include <string>

#include "export/format_writer.h"

namespace brenmoor::exporting {

// The whole file of one contact.
std::string textPage(const notes::ContactDocument& doc);

std::unique_ptr<FormatWriter> makeTextWriter();

} // namespace brenmoor::exporting
