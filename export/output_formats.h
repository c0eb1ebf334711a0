// The table of output formats, in the order the Save As menu lists them: first the five
// the save format dialog offers (in its order), then the formats for importers. A new
// format is its writer and one row of the table.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "export/output_format.h"

namespace brenmoor::exporting {

// Every format, in menu order.
std::span<const OutputFormat> outputFormats();

// The format the command line calls word, or nullptr where none is.
const OutputFormat* findOutputFormat(std::string_view word);

// The format the command line calls word; throws std::out_of_range where none is (for
// code that names a format of the table).
const OutputFormat& outputFormat(std::string_view word);

// The formats the save format dialog offers, in its order.
std::vector<const OutputFormat*> dialogFormats();

} // namespace brenmoor::exporting
