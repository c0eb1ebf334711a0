// The PST export's other objects beside the contacts' fields: a contact's picture and
// files as attachments of its item, and the book's address lists as distribution lists
// in the contacts folder, written after the contacts they name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "contact/contact.h"
#include "contact/group.h"
#include "pst/messaging/folder.h"

namespace brenmoor::exporting {

// The lasting name of a contact's or a list's item in the store, from which its NID and
// search key follow (MessageStore::newItemIdentity): "unid:" and the document's
// universal ID as a UUID, else kind ("contact", "list"), ":" and its 1-based position
// (among the book's contacts, or its address lists).
std::string itemIdentity(std::string_view unid, std::string_view kind, std::int64_t position);

// Attaches the contact's photo as the item's picture and each of its other files that
// the book holds readable, their bytes decoded a piece at a time.
void attachFiles(pst::messaging::ContactItem& item, const contact::Contact& contact);

// Writes every address list of the book into the folder: the contacts they name by
// running number are the items in contacts. Lists may name each other in any order.
void writeLists(pst::messaging::Folder& folder, const contact::GroupBook& groups,
                const std::unordered_map<std::int64_t, pst::ndb::Nid>& contacts);

} // namespace brenmoor::exporting
