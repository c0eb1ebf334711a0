// Entry IDs of the objects in one store: four flag bytes, the store's 16-byte
// provider UID (its record key) and the object's NID, as the store's default-folder
// properties and Outlook refer to folders and items.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

using StoreUid = std::array<std::uint8_t, 16>;

// A fresh random UID for a new store (a version-4 GUID).
StoreUid newStoreUid();

// 24 bytes: 00 00 00 00, the UID, the NID little-endian.
ltp::Bytes entryId(const StoreUid& store, ndb::Nid nid);

// A one-off entry ID for an SMTP address, as Outlook keeps beside a contact's
// e-mail address: the one-off provider UID, Unicode names, no rich information.
ltp::Bytes oneOffEntryId(std::string_view displayName, std::string_view addressType,
                         std::string_view address);

// 16 random bytes (a version-4 GUID), for search keys.
ltp::Bytes randomGuidBytes();

} // namespace brenmoor::pst::messaging
