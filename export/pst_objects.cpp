// Pictures, attached files and distribution lists of the PST export.
#include "export/pst_objects.h"

#include <string>
#include <vector>

#include "export/contact_text.h"

namespace brenmoor::exporting {

namespace {

using pst::messaging::ListMember;

} // namespace

void writeLists(pst::messaging::Folder& folder, const contact::GroupBook& groups,
                const std::unordered_map<std::int64_t, pst::ndb::Nid>& contacts) {
    // Every list's item first, so that a list can name one written after it.
    std::vector<pst::messaging::ContactItem> items;
    items.reserve(groups.lists().size());
    for (std::size_t i = 0; i < groups.lists().size(); ++i) items.push_back(folder.Items().Add("IPM.DistList"));
    for (std::size_t i = 0; i < groups.lists().size(); ++i) {
        const contact::Group& group = groups.lists()[i];
        pst::messaging::ContactItem& item = items[i];
        std::vector<ListMember> members;
        std::string body = group.description; // and a line for each member the list cannot name
        for (const contact::GroupMember& member : group.members) {
            using Kind = contact::GroupMember::Kind;
            const auto written = member.kind == Kind::Contact ? contacts.find(member.contact) : contacts.end();
            if (written != contacts.end() && !member.address.empty())
                members.push_back({ListMember::Kind::Contact, written->second, 0, member.name, member.address});
            else if (member.kind == Kind::Group && member.group < items.size())
                members.push_back({ListMember::Kind::List, items[member.group].nid(), 0, member.name, ""});
            else if ((member.kind == Kind::Outside || member.kind == Kind::Contact) && !member.address.empty())
                members.push_back({ListMember::Kind::Address, 0, 0, member.name.empty() ? member.address : member.name,
                                   member.address});
            else appendNoteLine(body, "Member without an e-mail address", member.name);
        }
        item.setText(pst::messaging::ContactField::DisplayName, group.name);
        item.setMembers(std::move(members));
        item.setCategories(group.categories);
        if (!body.empty()) item.setBody(body);
        item.save();
    }
}

} // namespace brenmoor::exporting
