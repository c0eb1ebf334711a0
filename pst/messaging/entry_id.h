// Entry IDs of the objects in one store: four flag bytes, the store's 16-byte
// provider UID (its record key) and the object's NID, as the store's default-folder
// properties and Outlook refer to folders and items; and the GUIDs of a store's and
// its items' lasting identities.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

using StoreUid = std::array<std::uint8_t, 16>;

// A fresh random UID for a new store without a lasting identity (a version-4 GUID).
StoreUid newStoreUid();

// The version 5 (name-based, SHA-1) UUID of name in the namespace, as RFC 4122 makes it,
// in the byte order a store keeps GUIDs (the first three fields little-endian, as
// Python's uuid.uuid5(namespace, name).bytes_le gives it). The namespace is given in
// that order too.
StoreUid nameBasedGuid(const StoreUid& space, std::string_view name);

// What names an item of a store: its NID and its search key (MessageStore::newItemIdentity).
struct ItemIdentity {
    ndb::Nid nid;
    StoreUid searchKey;
};

// The UID of a store whose lasting identity is identity (a text that names the same
// store in every run): nameBasedGuid of it in Brenmoor's namespace of stores.
StoreUid storeUidFor(std::string_view identity);

// 24 bytes: 00 00 00 00, the UID, the NID little-endian.
ltp::Bytes entryId(const StoreUid& store, ndb::Nid nid);

// A one-off entry ID for an SMTP address, as Outlook keeps beside a contact's
// e-mail address: the one-off provider UID, Unicode names, no rich information.
ltp::Bytes oneOffEntryId(std::string_view displayName, std::string_view addressType,
                         std::string_view address);

// 16 random bytes (a version-4 GUID), for conversation indexes.
ltp::Bytes randomGuidBytes();

} // namespace brenmoor::pst::messaging
