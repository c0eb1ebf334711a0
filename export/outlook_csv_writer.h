// The Outlook CSV export: one file Qalder_Notes_Contact_Outlook.csv in the layout of
// Outlook's own CSV export of contacts (its 92 English column names, in its order),
// which Outlook, Google Contacts and Thunderbird map by themselves. UTF-8 with a byte
// order mark, every field quoted (RFC 4180), CR LF after every record.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "contact/contact.h"
#include "export/format_writer.h"

namespace brenmoor::exporting {

inline constexpr std::string_view kOutlookCsvFileName = "Qalder_Notes_Contact_Outlook.csv";

// The byte order mark and the header record.
std::string outlookCsvOpening();

// The record of one contact. A contact whose name is known only as a whole (no given,
// middle or family name) has it in "First Name". Dates are written yyyy-mm-dd;
// categories joined by ";",
// children by ", ". What has no column of its own (the nickname, e-mail addresses after
// the third, phones beyond the columns of their kind, a birthday or anniversary that is
// no date, a second spouse, manager or assistant) is added to "Notes" as labelled lines.
std::string outlookCsvRecord(const contact::Contact& contact);

std::unique_ptr<FormatWriter> makeOutlookCsvWriter();

} // namespace brenmoor::exporting
