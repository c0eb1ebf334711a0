// A file attached to an item by value: its name, its bytes (written to the file a block
// at a time as they come, see StreamedValueWriter) and whether it is the contact's
// picture, laid out as the item's attachment table and one attachment object each, both
// subnodes of the item's node.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

struct Attachment {
    std::string fileName;
    bool contactPicture = false;
    std::uint64_t created = 0; // FILETIME
    ltp::PropValue data;       // PT_BINARY, in memory or written ahead
};

// Outlook's name for a contact's picture.
inline constexpr const char* kContactPictureName = "ContactPicture.jpg";

// The attachment table and the attachment objects, as subnodes of the item's node.
void addAttachmentSubnodes(ndb::NodeContent& item, const std::vector<Attachment>& attachments);

// The bytes the attachments add to the item's size.
std::uint64_t attachmentsSize(const std::vector<Attachment>& attachments);

} // namespace brenmoor::pst::messaging
