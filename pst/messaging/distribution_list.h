// The members of a personal distribution list as Outlook keeps them: each member's entry
// ID (a wrapped entry ID of a contact's e-mail address or of another list in this store,
// or a one-off entry ID of an address alone) beside a one-off entry ID with its name and
// address, the checksum over the entry IDs, and the stream form for a list too long for
// the multi-valued properties.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/messaging/entry_id.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

struct ListMember {
    enum class Kind { Contact, List, Address };
    Kind kind = Kind::Address;
    // Contact and List: the member's message in this store (saved before or after the list).
    ndb::Nid nid = 0;
    // Contact: which of its e-mail addresses (0 to 2).
    int emailSlot = 0;
    std::string displayName;
    std::string address; // the SMTP address; empty for a list
};

// The wrapped entry ID of a contact's address or a list of this store.
ltp::Bytes wrappedEntryId(const StoreUid& store, const ListMember& member);

// Each member's entry ID and one-off entry ID, in the list's order.
struct ListMemberIds {
    std::vector<ltp::Bytes> entryIds;
    std::vector<ltp::Bytes> oneOffs;
};
ListMemberIds listMemberIds(const StoreUid& store, const std::vector<ListMember>& members);
// The same one member at a time, for a long list: each ID made as it is used.
void forEachMemberIds(const StoreUid& store, const std::vector<ListMember>& members,
                      const std::function<void(const ltp::Bytes& entryId, const ltp::Bytes& oneOff)>& each);

// Outlook keeps either property of the multi-valued form under this many bytes (the count,
// an offset each, and the values); a list whose entry IDs or one-offs take more is
// written in the stream form alone.
inline constexpr std::size_t kListPropertyLimit = 15000;

// The format's CRC-32 over the entry IDs one after another.
std::uint32_t listChecksum(const std::vector<ltp::Bytes>& entryIds);

// The stream form: a header, each member's entry ID and one-off with their sizes, and
// two terminators; made from the members directly and handed to write a piece at a time,
// without all their IDs held at once.
void writeListStream(const StoreUid& store, const std::vector<ListMember>& members,
                     const std::function<void(const ltp::Bytes& piece)>& write);

} // namespace brenmoor::pst::messaging
