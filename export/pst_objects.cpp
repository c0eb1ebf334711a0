// Pictures, attached files and distribution lists of the PST export.
#include "export/pst_objects.h"

#include <span>
#include <string>
#include <vector>

#include "contact/contact_uid.h"
#include "export/contact_text.h"
#include "pst/messaging/attachment.h"

namespace brenmoor::exporting {

namespace {

using pst::messaging::ListMember;
// The e-mail addresses a contact item holds (Email 1 to Email 3).
constexpr int kContactEmailSlots = 3;

void attach(pst::messaging::ContactItem& item, const contact::Attachment& file, std::string_view name, bool picture) {
    item.addAttachment(name, picture);
    file.forEachDecodedPiece([&](std::string_view piece) {
        item.appendAttachment(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
    });
}

// Outlook's name of a contact's picture, with the extension of the picture's kind.
std::string pictureName(contact::ImageKind kind) {
    switch (kind) {
    case contact::ImageKind::Png: return "ContactPicture.png";
    case contact::ImageKind::Gif: return "ContactPicture.gif";
    default: return pst::messaging::kContactPictureName;
    }
}

} // namespace

std::string itemIdentity(std::string_view unid, std::string_view kind, std::int64_t position) {
    if (std::string uuid = contact::uuidFromUnid(unid); !uuid.empty()) return "unid:" + uuid;
    return std::string(kind) + ":" + std::to_string(position);
}

void attachFiles(pst::messaging::ContactItem& item, const contact::Contact& contact) {
    if (contact.photo && contact.photo->readable()) attach(item, *contact.photo, pictureName(contact.photo->image), true);
    for (const contact::Attachment& file : contact.attachments)
        if (file.readable()) attach(item, file, file.name(), false);
}

void writeLists(pst::messaging::Folder& folder, const contact::GroupBook& groups,
                const std::unordered_map<std::int64_t, pst::ndb::Nid>& contacts) {
    // Every list's number first, so that a list can name one written after it; each item
    // is made, filled and saved in turn.
    std::vector<pst::messaging::ItemIdentity> items;
    items.reserve(groups.lists().size());
    for (std::size_t i = 0; i < groups.lists().size(); ++i)
        items.push_back(folder.Items().reserve(itemIdentity(groups.lists()[i].unid, "list", static_cast<std::int64_t>(i) + 1)));
    for (std::size_t i = 0; i < groups.lists().size(); ++i) {
        const contact::Group& group = groups.lists()[i];
        pst::messaging::ContactItem item = folder.Items().Add("IPM.DistList", items[i]);
        std::vector<ListMember> members;
        std::string body(group.description); // and a line for each member the list cannot name
        for (const contact::GroupMember& member : group.members) {
            using Kind = contact::GroupMember::Kind;
            const std::string name(member.name), address(member.address);
            const auto written = member.kind == Kind::Contact ? contacts.find(member.contact) : contacts.end();
            // A contact named by one of its three e-mail addresses is mailed there; an
            // address after the third, which the item has no slot for, is mailed alone.
            if (written != contacts.end() && !address.empty() && member.emailSlot < kContactEmailSlots)
                members.push_back({ListMember::Kind::Contact, written->second, member.emailSlot, name, address});
            else if (member.kind == Kind::Group && member.group < items.size())
                members.push_back({ListMember::Kind::List, items[member.group].nid, 0, name, ""});
            else if ((member.kind == Kind::Outside || member.kind == Kind::Contact) && !address.empty())
                members.push_back({ListMember::Kind::Address, 0, 0, name.empty() ? address : name, address});
            else appendNoteLine(body, "Member without an e-mail address", name);
        }
        item.setText(pst::messaging::ContactField::DisplayName, group.name);
        item.setMembers(std::move(members));
        item.setCategories(group.categories);
        if (!body.empty()) item.setBody(body);
        item.save();
    }
}

} // namespace brenmoor::exporting
