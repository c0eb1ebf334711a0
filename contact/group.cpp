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

std::string_view trimmedText(std::string_view text) { return text::trimmed(text); }

std::uint64_t keyHash(std::string_view key) { return std::hash<std::string_view>{}(key); }

// The keys a member name would find a contact by, and what it is where none does (its
// texts kept in store).
std::vector<std::string> memberKeys(std::string_view member, GroupMember& fallback, TextStore& store) {
    std::vector<std::string> keys;
    const MailAddress mail = parseMailAddress(member, true);
    fallback.name = member;
    if (mail.kind == MailAddress::Kind::Internet) {
        fallback.kind = GroupMember::Kind::Outside;
        fallback.name = store.interned(mail.displayName);
        fallback.address = store.interned(mail.address);
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
using MemberKey = std::tuple<GroupMember::Kind, std::int64_t, std::size_t, std::string_view, std::string_view>;
void addOnce(std::vector<GroupMember>& members, std::set<MemberKey>& seen, GroupMember member) {
    if (seen.emplace(member.kind, member.contact, member.group, member.name, member.address).second)
        members.push_back(member);
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

std::string_view TextStore::kept(std::string_view text) {
    constexpr std::size_t kBlock = 64 << 10;
    if (text.empty()) return {};
    if (text.size() > kBlock / 4) {
        // A long text gets a block of its own, before the block being filled.
        auto block = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), block.get());
        const std::string_view kept(block.get(), text.size());
        blocks_.insert(blocks_.begin(), std::move(block));
        return kept;
    }
    if (text.size() > left_) {
        blocks_.push_back(std::make_unique<char[]>(kBlock));
        left_ = kBlock;
    }
    char* at = blocks_.back().get() + (kBlock - left_);
    std::copy(text.begin(), text.end(), at);
    left_ -= text.size();
    return {at, text.size()};
}

std::string_view TextStore::interned(std::string_view text) {
    if (text.empty()) return {};
    if (auto found = interned_.find(text); found != interned_.end()) return *found;
    const std::string_view kept = this->kept(text);
    interned_.insert(kept);
    return kept;
}

Group readGroup(const notes::ContactDocument& doc, std::int64_t position, TextStore& store) {
    Group group;
    group.name = store.interned(trimmedText(doc.itemText("ListName")));
    if (group.name.empty()) group.name = store.interned("Group " + std::to_string(position));
    group.type = typeOf(trimmedText(doc.itemText("GroupType")));
    std::string description;
    for (const std::string& line : doc.itemTexts("ListDescription"))
        description += (description.empty() ? "" : "\r\n") + line;
    group.description = store.kept(description);
    const std::vector<std::string> categories = doc.itemTexts("ListCategory");
    if (categories.size() == 1) splitCategories(categories.front(), group.categories);
    else
        for (const std::string& category : categories)
            if (!text::trimmed(category).empty()) group.categories.emplace_back(trimmedText(category));
    const MailAddress own = parseMailAddress(doc.itemText("InternetAddress"), false);
    if (own.kind == MailAddress::Kind::Internet) group.internetAddress = store.kept(own.address);
    group.unid = store.kept(doc.noteInfo().unid);
    group.uid = store.kept(groupUid(doc, position));
    std::unordered_set<std::string> seen;
    for (const std::string& value : doc.itemTexts("Members")) {
        const std::string_view member = trimmedText(value);
        if (!member.empty() && seen.insert(folded(member)).second) group.memberNames.push_back(store.interned(member));
    }
    return group;
}

GroupBook::GroupBook(const std::vector<notes::ContactDocument>& documents) {
    for (const notes::ContactDocument& doc : documents) add(doc);
}

void GroupBook::add(const notes::ContactDocument& doc) {
    Group group = readGroup(doc, ++documents_, store_);
    if (group.addressList()) {
        GroupMember unused;
        for (std::string_view member : group.memberNames)
            for (const std::string& key : memberKeys(member, unused, store_)) keys_.insert(keyHash(key));
    }
    (group.addressList() ? lists_ : notLists_).push_back(std::move(group));
}

bool GroupBook::look(const notes::ContactDocument& doc, const Contact& contact, std::int64_t runningNumber,
                     bool picked) {
    if (keys_.empty()) return false;
    bool member = false;
    std::string_view name, first;
    auto offer = [&](std::string key, int slot) {
        if (!keys_.contains(keyHash(key))) return;
        auto [entry, added] = found_.try_emplace(std::move(key));
        Found& found = entry->second;
        if (!added) {
            // Another contact the key finds: counted, not taken.
            if (found.lastNumber != runningNumber) ++found.contacts;
            found.lastNumber = runningNumber;
            return;
        }
        if (name.empty() && first.empty()) {
            name = store_.interned(contact.formattedName);
            first = contact.emails.empty() ? std::string_view() : store_.interned(contact.emails.front().address);
        }
        const std::string_view address =
            slot == 0 ? first : store_.interned(contact.emails[static_cast<std::size_t>(slot)].address);
        found = {runningNumber, name, address, slot, 1, runningNumber, picked};
        member = picked;
    };
    for (const std::string& fullName : doc.itemTexts(notes::ContactItem::FullName)) {
        const std::string_view full = trimmedText(fullName);
        if (full.empty()) continue;
        offer(nameKey(full), 0);
        const std::string common = commonName(full);
        if (common != full) offer(nameKey(common), 0);
    }
    // As Notes finds people by name: also the first and last name, and the short name.
    if (!contact.formattedNameMadeUp) offer(nameKey(contact.formattedName), 0);
    const Name& parts = contact.name;
    if (!parts.given.empty() && !parts.family.empty()) offer(nameKey(parts.given + " " + parts.family), 0);
    if (!parts.middle.empty()) offer(nameKey(joinedName(parts)), 0);
    if (!contact.nickname.empty()) offer(nameKey(contact.nickname), 0);
    for (std::size_t i = 0; i < contact.emails.size(); ++i) offer(mailKey(contact.emails[i].address), static_cast<int>(i));
    return member;
}

void GroupBook::resolve() {
    std::unordered_map<std::string, std::size_t> listByName;
    for (std::size_t i = 0; i < lists_.size(); ++i) listByName.try_emplace(folded(lists_[i].name), i);
    ambiguous_.clear();
    std::unordered_set<std::string_view> named; // the ambiguous member names counted
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        Group& group = lists_[i];
        group.members.clear();
        std::set<MemberKey> seen;
        for (std::string_view memberName : group.memberNames) {
            GroupMember member;
            const std::vector<std::string> keys = memberKeys(memberName, member, store_);
            // Another list by its name; a list naming itself names nothing new.
            if (auto list = listByName.find(folded(memberName)); list != listByName.end()) {
                if (list->second == i) continue;
                member = {GroupMember::Kind::Group, lists_[list->second].name, {}, 0, list->second, 0};
            } else {
                for (const std::string& key : keys)
                    if (auto found = found_.find(key); found != found_.end()) {
                        const Found& f = found->second;
                        member = {GroupMember::Kind::Contact, f.name, f.address, f.runningNumber, 0, f.emailSlot};
                        if (!f.picked) member.kind = GroupMember::Kind::Unaddressed; // left out below
                        if (f.contacts > 1 && named.insert(memberName).second)
                            ambiguous_.push_back({memberName, f.contacts, key.starts_with("m:")});
                        break;
                    }
            }
            // A selection keeps the contacts picked and the lists inside.
            const bool kept = member.kind == GroupMember::Kind::Contact || member.kind == GroupMember::Kind::Group;
            if (pickedOnly_ && !kept) continue;
            // Two names of one member (a name and an address of one contact) make one member.
            addOnce(group.members, seen, member);
        }
        group.members.shrink_to_fit();
    }
    if (!pickedOnly_) return;
    std::vector<bool> direct(lists_.size(), false);
    for (std::size_t i = 0; i < lists_.size(); ++i)
        for (const GroupMember& member : lists_[i].members)
            if (member.kind == GroupMember::Kind::Contact) direct[i] = true;
    keepOnly(holding(std::move(direct)));
}

void GroupBook::keepOnly(const std::vector<bool>& kept) {
    std::vector<std::size_t> newIndex(lists_.size(), 0);
    std::size_t next = 0;
    for (std::size_t i = 0; i < lists_.size(); ++i)
        if (kept[i]) newIndex[i] = next++;
    listsLeftOut_ = static_cast<std::int64_t>(lists_.size() - next);
    for (std::size_t i = 0, to = 0; i < lists_.size(); ++i) {
        if (!kept[i]) continue;
        Group& group = lists_[i];
        std::erase_if(group.members, [&](const GroupMember& m) { return m.kind == GroupMember::Kind::Group && !kept[m.group]; });
        for (GroupMember& member : group.members)
            if (member.kind == GroupMember::Kind::Group) member.group = newIndex[member.group];
        if (to != i) lists_[to] = std::move(group);
        ++to;
    }
    lists_.resize(next);
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

std::vector<bool> GroupBook::holding(std::vector<bool> marked) const {
    std::vector<std::vector<std::size_t>> namedBy(lists_.size());
    for (std::size_t i = 0; i < lists_.size(); ++i)
        for (const GroupMember& member : lists_[i].members)
            if (member.kind == GroupMember::Kind::Group) namedBy[member.group].push_back(i);
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < marked.size(); ++i)
        if (marked[i]) pending.push_back(i);
    while (!pending.empty()) {
        const std::size_t at = pending.back();
        pending.pop_back();
        for (std::size_t outer : namedBy[at])
            if (!marked[outer]) {
                marked[outer] = true;
                pending.push_back(outer);
            }
    }
    return marked;
}

GroupBook readGroups(notes::AddressBook& book, const std::function<void()>& eachDocument) {
    GroupBook groups;
    book.handOutGroups([&](const notes::ContactDocument& doc) { groups.add(doc); });
    try {
        book.entryCount();
    } catch (const notes::NotesError&) {
        // The walk's own account of the fault where it meets one, as list gives it.
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {}
        throw;
    }
    // The whole book is walked even without lists, so that a book the walk rejects fails
    // here as it fails everywhere.
    Contact contact;
    std::int64_t position = 0;
    for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
        if (eachDocument) eachDocument();
        ++position;
        if (groups.empty()) continue;
        readContact(*doc, contact, position);
        groups.look(*doc, contact, position);
    }
    groups.resolve();
    return groups;
}

std::string ambiguityText(const AmbiguousMember& member) {
    return text::arg(member.byAddress
                         ? text::translate("brenmoor::groups", "%1: %2 contacts of that address; the first was taken")
                         : text::translate("brenmoor::groups", "%1: %2 contacts of that name; the first was taken"),
                     {std::string(member.name), std::to_string(member.contacts)});
}

} // namespace brenmoor::contact
