// The CSV export: one file Qalder_Notes_Contact.csv, a header line of 41 labels and
// one line of 41 values per contact.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "export/format_writer.h"

namespace brenmoor::exporting {

inline constexpr std::string_view kCsvFileName = "Qalder_Notes_Contact.csv";

// Appends value to line as one CSV field: as it is, or in double quotes (each quote
// doubled) where it holds a comma, a quote or a line break.
void appendCsvField(std::string& line, std::string_view value);

// The header line, CR LF included.
std::string csvHeaderLine();
// The line of one contact, CR LF included.
std::string csvContactLine(const notes::ContactDocument& doc);

std::unique_ptr<FormatWriter> makeCsvWriter();

} // namespace brenmoor::exporting
