// The stable identity of a contact, so that importing the same book again updates the
// contacts instead of adding them twice: the document's universal ID written as a UUID,
// or, for a document without one, a name-based UUID (version 5) of its item values.
#pragma once

#include <string>
#include <string_view>

#include "notes/address_book.h"

namespace brenmoor::contact {

// The namespace of the name-based UUIDs: Brenmoor's own, fixed for good, since a change
// would give every contact without a universal ID a new identity.
inline constexpr std::string_view kContactUidNamespace = "47964b61-5715-4838-9998-7c2c7aa2a906";

// A Notes universal ID (32 hex digits) in 8-4-4-4-12 form, lower case; "" where unid is
// not 32 hex digits.
std::string uuidFromUnid(std::string_view unid);

// The version 5 UUID of the document's catalogue items as the file recorded them: for
// each item the document has, in catalogue order, its name and every value. Independent
// of the user's regional settings.
std::string nameBasedUid(const notes::ContactDocument& doc);

// uuidFromUnid of the document's universal ID where it has one, else nameBasedUid.
std::string contactUid(const notes::ContactDocument& doc);

} // namespace brenmoor::contact
