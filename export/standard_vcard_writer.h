// The vCard 3.0 (RFC 2426) and vCard 4.0 (RFC 6350) exports: one file each,
// Qalder_Notes_Contact_v3.vcf and Qalder_Notes_Contact_v4.vcf, a card per contact in
// view order, spelled from the contact model.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "contact/contact.h"
#include "export/format_writer.h"

namespace brenmoor::exporting {

enum class VcardVersion { V3, V4 };

inline constexpr std::string_view kVcard3FileName = "Qalder_Notes_Contact_v3.vcf";
inline constexpr std::string_view kVcard4FileName = "Qalder_Notes_Contact_v4.vcf";

// The card of one contact, every line ending in CR LF. Where the two versions name a
// thing differently:
// - UID: the plain UUID in 3.0, "urn:uuid:" and the UUID in 4.0; REV and dates in the
//   extended ISO 8601 form in 3.0 (2014-03-01T14:15:30Z, 1978-03-14), the basic form in
//   4.0 (20140301T141530Z, 19780314).
// - A birthday or anniversary that is no date: "VALUE=text" in 4.0; in 3.0 a note line
//   "Birthday: ..." or "Anniversary: ...". A dated anniversary is X-ANNIVERSARY in 3.0.
// - Related people: RELATED with a text value in 4.0, typed spouse, child, x-manager and
//   agent (the assistant); in 3.0 Outlook's X-MS-SPOUSE, X-MS-CHILD, X-MS-MANAGER and
//   X-MS-ASSISTANT.
// - ";" escaped in every text of 3.0, only inside N, ADR and ORG in 4.0 (vcard_text.h).
// - KIND:individual in 4.0 only.
// - FN is always written (both versions require it), N always in 3.0 (required there)
//   and in 4.0 only where a part of the name is filled; every other property only for a
//   value.
// Both: the office location is the extended address of the work ADR, as Outlook writes it.
std::string standardVcard(const contact::Contact& contact, VcardVersion version);

std::unique_ptr<FormatWriter> makeVcard3Writer();
std::unique_ptr<FormatWriter> makeVcard4Writer();

} // namespace brenmoor::exporting
