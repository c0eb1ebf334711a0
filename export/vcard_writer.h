// The vCard export: one file Qalder_Notes_Contact.vcf holding a vCard 2.1 card of
// 22 lines per contact.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "export/format_writer.h"

namespace brenmoor::exporting {

inline constexpr std::string_view kVcardFileName = "Qalder_Notes_Contact.vcf";

// The card of one contact, every line ending in CR LF.
std::string vcardCard(const notes::ContactDocument& doc);

std::unique_ptr<FormatWriter> makeVcardWriter();

} // namespace brenmoor::exporting
