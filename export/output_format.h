// An output format as the program offers it: the words the window and the command line
// name it by, the files it writes, and its writer. Every format is one row of the table
// in output_formats.cpp; the Save As menu, the save format dialog and the command line
// are all made from that table.
#pragma once

#include <memory>
#include <string_view>

#include "export/format_writer.h"

namespace brenmoor::exporting {

struct OutputFormat {
    std::string_view name;          // what it is, in words: "vCard 3.0"
    std::string_view word;          // the command line's word for it: "vcard3"
    std::string_view menuItem;      // the objectName of its Save As item: "savevcard3"
    std::string_view menuCaption;   // the Save As item's caption: "vCard 3.0"
    std::string_view files;         // the name of its file, or its pattern: "FirstLast_N.txt"
    std::string_view dialogCaption; // its choice in the save format dialog; "" where not offered there
    std::unique_ptr<FormatWriter> (*makeWriter)();

    bool offeredByDialog() const { return !dialogCaption.empty(); }
};

} // namespace brenmoor::exporting
