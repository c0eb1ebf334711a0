// Reading the Group documents, and resolving their members by name and address.
#include "contact/group.h"

#include <QString>
#include <algorithm>
#include <set>
#include <tuple>

#include "contact/contact_from_document.h"
#include "contact/contact_uid.h"
#include "contact/mail_address.h"
#include "text/text_bytes.h"
#include "text/translation.h"

namespace brenmoor::contact {

namespace {

// A name or an address as Notes compares them: without regard to case, in any script.
std::string folded(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded().toStdString();
}

std::string nameKey(std::string_view name) { return "n:" + folded(name); }
std::string mailKey(std::string_view address) { return "m:" + folded(address); }

GroupType typeOf(std::string_view text) {
    if (text.empty() || text == "0") return GroupType::MultiPurpose;
    if (text == "1") return GroupType::MailOnly;
    if (text == "2") return GroupType::AccessControl;
    if (text == "3") return GroupType::DenyList;
    if (text == "4") return GroupType::Servers;
    return GroupType::Other;
}

std::string trimmedText(std::string_view text) { return std::string(text::trimmed(text)); }

// The keys a member name would find a contact by, and what it is where none does.
std::vector<std::string> memberKeys(std::string_view member, GroupMember& fallback) {
    std::vector<std::string> keys;
    const MailAddress mail = parseMailAddress(member, true);
    fallback.name = std::string(member);
    if (mail.kind == MailAddress::Kind::Internet) {
        fallback.kind = GroupMember::Kind::Outside;
        fallback.name = mail.displayName;
        fallback.address = mail.address;
        keys.push_back(mailKey(mail.address));
        if (!mail.displayName.empty()) keys.push_back(nameKey(mail.displayName));
        return keys;
    }
    // A Notes mail address names its person before the domain.
    std::string_view name = member;
    if (mail.kind == MailAddress::Kind::Notes)
        if (const std::size_t at = name.rfind('@'); at != std::string_view::npos) name = name.substr(0, at);
    keys.push_back(nameKey(name));
    const std::string common = commonName(name);
    if (common != name) keys.push_back(nameKey(common));
    return keys;
}

// Adds member to members unless an equal one is there (seen holds those there), without
// a scan of the list: a Directory group may have thousands of members.
using MemberKey = std::tuple<GroupMember::Kind, std::int64_t, std::size_t, std::string, std::string>;
void addOnce(std::vector<GroupMember>& members, std::set<MemberKey>& seen, GroupMember member) {
    if (seen.emplace(member.kind, member.contact, member.group, member.name, member.address).second)
        members.push_back(std::move(member));
}

} // namespace

std::string groupTypeName(GroupType type) {
    using text::translate;
    switch (type) {
    case GroupType::MultiPurpose: return translate("brenmoor::groups", "multi-purpose");
    case GroupType::MailOnly: return translate("brenmoor::groups", "mail only");
    case GroupType::AccessControl: return translate("brenmoor::groups", "access control only");
    case GroupType::DenyList: return translate("brenmoor::groups", "deny list only");
    case GroupType::Servers: return translate("brenmoor::groups", "servers only");
    case GroupType::Other: break;
    }
    return translate("brenmoor::groups", "of an unknown type");
}

Group readGroup(const notes::ContactDocument& doc, std::int64_t position) {
    Group group;
    group.name = trimmedText(doc.itemText("ListName"));
    if (group.name.empty()) group.name = "Group " + std::to_string(position);
    group.typeText = trimmedText(doc.itemText("GroupType"));
    group.type = typeOf(group.typeText);
    for (const std::string& line : doc.itemTexts("ListDescription"))
        group.description += (group.description.empty() ? "" : "\r\n") + line;
    const std::vector<std::string> categories = doc.itemTexts("ListCategory");
    if (categories.size() == 1) splitCategories(categories.front(), group.categories);
    else
        for (const std::string& category : categories)
            if (!text::trimmed(category).empty()) group.categories.push_back(trimmedText(category));
    const MailAddress own = parseMailAddress(doc.itemText("InternetAddress"), false);
    if (own.kind == MailAddress::Kind::Internet) group.internetAddress = own.address;
    group.unid = doc.noteInfo().unid;
    group.uid = groupUid(doc, position);
    std::unordered_set<std::string> seen;
    for (const std::string& value : doc.itemTexts("Members")) {
        std::string member = trimmedText(value);
        if (!member.empty() && seen.insert(folded(member)).second) group.memberNames.push_back(std::move(member));
    }
    return group;
}

GroupBook::GroupBook(const std::vector<notes::ContactDocument>& documents) {
    for (std::size_t i = 0; i < documents.size(); ++i) {
        Group group = readGroup(documents[i], static_cast<std::int64_t>(i) + 1);
        (group.addressList() ? lists_ : notLists_).push_back(std::move(group));
    }
    wanted_.resize(lists_.size());
    for (std::size_t i = 0; i < lists_.size(); ++i)
        for (const std::string& member : lists_[i].memberNames) {
            Wanted& wanted = wanted_[i].emplace_back();
            wanted.keys = memberKeys(member, wanted.fallback);
            keys_.insert(wanted.keys.begin(), wanted.keys.end());
        }
}

bool GroupBook::look(const notes::ContactDocument& doc, const Contact& contact, std::int64_t runningNumber) {
    if (keys_.empty()) return false;
    bool member = false;
    auto offer = [&](std::string key) {
        if (!keys_.contains(key)) return;
        auto [entry, added] = found_.try_emplace(std::move(key));
        if (!added) return;
        entry->second = {runningNumber, contact.formattedName,
                         contact.emails.empty() ? std::string() : contact.emails.front().address};
        member = true;
    };
    for (const std::string& fullName : doc.itemTexts(notes::ContactItem::FullName)) {
        const std::string name = trimmedText(fullName);
        if (name.empty()) continue;
        offer(nameKey(name));
        offer(nameKey(commonName(name)));
    }
    // As Notes finds people by name: also the first and last name, and the short name.
    if (!contact.formattedNameMadeUp) offer(nameKey(contact.formattedName));
    const Name& name = contact.name;
    if (!name.given.empty() && !name.family.empty()) offer(nameKey(name.given + " " + name.family));
    if (!name.middle.empty()) offer(nameKey(joinedName(name)));
    if (!contact.nickname.empty()) offer(nameKey(contact.nickname));
    for (const Email& email : contact.emails) offer(mailKey(email.address));
    return member;
}

void GroupBook::resolve() {
    std::unordered_map<std::string, std::size_t> listByName;
    for (std::size_t i = 0; i < lists_.size(); ++i) listByName.try_emplace(folded(lists_[i].name), i);
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        Group& group = lists_[i];
        group.members.clear();
        std::set<MemberKey> seen;
        for (std::size_t m = 0; m < group.memberNames.size(); ++m) {
            const Wanted& wanted = wanted_[i][m];
            GroupMember member = wanted.fallback;
            // Another list by its name; a list naming itself names nothing new.
            if (auto list = listByName.find(folded(group.memberNames[m])); list != listByName.end()) {
                if (list->second == i) continue;
                member = {GroupMember::Kind::Group, lists_[list->second].name, {}, 0, list->second};
            } else {
                for (const std::string& key : wanted.keys)
                    if (auto found = found_.find(key); found != found_.end()) {
                        member = {GroupMember::Kind::Contact, found->second.name, found->second.address,
                                  found->second.runningNumber, 0};
                        break;
                    }
            }
            // Two names of one member (a name and an address of one contact) make one member.
            addOnce(group.members, seen, std::move(member));
        }
    }
}

std::vector<GroupMember> GroupBook::expanded(std::size_t i) const {
    std::vector<GroupMember> members;
    std::set<MemberKey> seen;
    std::vector<bool> visited(lists_.size(), false);
    std::vector<std::size_t> pending{i};
    visited[i] = true;
    for (std::size_t next = 0; next < pending.size(); ++next) {
        const std::size_t at = pending[next];
        for (const GroupMember& member : lists_[at].members) {
            if (member.kind == GroupMember::Kind::Group) {
                if (!visited[member.group]) {
                    visited[member.group] = true;
                    pending.push_back(member.group);
                }
            } else {
                addOnce(members, seen, member);
            }
        }
    }
    return members;
}

GroupBook readGroups(notes::AddressBook& book) {
    GroupBook groups(book.groupDocuments());
    if (!groups.empty()) {
        Contact contact;
        std::int64_t position = 0;
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
            readContact(*doc, contact, ++position);
            groups.look(*doc, contact, position);
        }
    }
    groups.resolve();
    return groups;
}

} // namespace brenmoor::contact
