// The Google Contacts CSV export: the columns Google Contacts writes and reads in its own
// CSV ("First Name", ..., "E-mail 1 - Label", "E-mail 1 - Value", ..., "Labels"), UTF-8
// without a byte order mark, every field quoted, CR LF after every record. Google takes
// at most 3,000 contacts an import: Qalder_Notes_Contact_Google.csv holds the first
// 3,000, Qalder_Notes_Contact_Google_2.csv the next, and so on, each with the header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "contact/contact.h"
#include "export/format_writer.h"

namespace brenmoor::exporting {

inline constexpr std::string_view kGoogleCsvFileName = "Qalder_Notes_Contact_Google.csv";
inline constexpr std::int64_t kGoogleCsvContactsPerFile = 3000;

// The header record.
std::string googleCsvOpening();

// A contact's record (as the writer writes it): a name known only as a whole goes into "First Name";
// categories into "Labels" joined by " ::: " (one holding " ::: " into the note); the
// preferred e-mail address and phone number have their label marked "* ". What has no
// column (e-mail addresses, phones, web pages and related people beyond the columns, a
// birthday that is no date, the office) is added to "Notes" as labelled lines.
std::unique_ptr<FormatWriter> makeGoogleCsvWriter();

} // namespace brenmoor::exporting
