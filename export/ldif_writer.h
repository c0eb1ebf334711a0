// The LDIF export (RFC 2849) as Thunderbird's address book reads and writes it: one file
// Qalder_Notes_Contact.ldif, "version: 1", then an entry per contact in view order with
// Thunderbird's object classes and attribute names.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "contact/contact.h"
#include "export/contact_text.h"
#include "export/format_writer.h"
#include "export/text_sink.h"

namespace brenmoor::exporting {

inline constexpr std::string_view kLdifFileName = "Qalder_Notes_Contact.ldif";

// True where value may follow "attr: " as it is: ASCII without NUL, CR or LF, not
// starting with a space, ":" or "<" and not ending with a space.
bool isSafeLdifValue(const PiecedText& value);

// Writes the line "attribute: value", or "attribute:: " and the value in base64 where
// it is not safe; nothing for an empty value. Ends with CR LF. The value passes through
// piece by piece, however long.
void appendLdifLine(TextSink& out, std::string_view attribute, const PiecedText& value);

// An attribute value as a distinguished name holds it (RFC 4514): "," "+" "\"" "\\" "<"
// ">" ";" escaped by a backslash, as are a leading "#" or space and a trailing space.
std::string dnValue(std::string_view value);

// The distinguished name Thunderbird gives a card: "cn=" the display name, and
// ",mail=" the first e-mail address where there is one; "uid=" and the contact's uid
// where the contact has no display name. Given a uid, the first RDN also holds
// "+uid=" and it (for a contact whose name and address an earlier one has). Every
// value is escaped on its own.
std::string thunderbirdDn(const contact::Contact& contact, std::string_view uid = {});

// The entry of one contact under dn, the blank line after it included. Attributes:
// givenName, sn, cn (the formatted name), mozillaNickname, mail and mozillaSecondEmail,
// telephoneNumber, homePhone, facsimiletelephonenumber, pager, mobile, the home address
// (mozillaHomeStreet, mozillaHomeStreet2, mozillaHomeLocalityName, mozillaHomeState,
// mozillaHomePostalCode, mozillaHomeCountryName), the work address (street,
// mozillaWorkStreet2, l, st, postalCode, c), title, ou, o, mozillaWorkUrl, birthyear,
// birthmonth, birthday and description (the note). A street's first line is the street,
// its further lines the second street line. What Thunderbird has no attribute for
// (middle name, name prefix and suffix, office, e-mail addresses after the second,
// phones beyond one of each, the anniversary, a birthday that is no date, related
// people, categories) is added to the note as labelled lines.
std::string ldifEntry(const contact::Contact& contact, std::string_view dn);

// Gives each entry thunderbirdDn, made unique within the file where two contacts share it.
std::unique_ptr<FormatWriter> makeLdifWriter();

} // namespace brenmoor::exporting
