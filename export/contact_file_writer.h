// The writer of the formats that give every contact a file of its own (text, HTML):
// names the file from the contact, builds the whole content and writes it in one go.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "export/format_writer.h"

namespace brenmoor::exporting {

using ContactPage = std::string (*)(const notes::ContactDocument&);

// extension with its dot (".txt"); page builds the file's whole content.
std::unique_ptr<FormatWriter> makeContactFileWriter(std::string_view extension, ContactPage page);

} // namespace brenmoor::exporting
