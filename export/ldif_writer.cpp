// The LDIF entries: Thunderbird's attributes where it has one, labelled note lines where
// it has none.
#include "export/ldif_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "export/contact_text.h"
#include "contact/contact_uid.h"
#include "export/model_file_writer.h"
#include "text/base64.h"

namespace brenmoor::exporting {

namespace {

using contact::Contact;
using contact::PhoneKind;

constexpr std::array<PhoneSlot, 5> kPhoneSlots{{
    {"telephoneNumber", phoneKinds({PhoneKind::WorkVoice})},
    {"homePhone", phoneKinds({PhoneKind::HomeVoice})},
    {"facsimiletelephonenumber", phoneKinds({PhoneKind::WorkFax, PhoneKind::HomeFax})},
    {"pager", phoneKinds({PhoneKind::WorkPager})},
    {"mobile", phoneKinds({PhoneKind::WorkCell, PhoneKind::PersonalCell})},
}};

// A street's first line, and the lines after it.
std::pair<std::string_view, std::string_view> streetLines(std::string_view street) {
    const std::size_t end = street.find_first_of("\r\n");
    if (end == std::string_view::npos) return {street, {}};
    std::size_t next = end + 1;
    if (street[end] == '\r' && next < street.size() && street[next] == '\n') ++next;
    return {street.substr(0, end), street.substr(next)};
}

void appendAddress(TextSink& out, const std::optional<contact::Address>& address,
                   const std::array<std::string_view, 6>& attributes) {
    if (!address) return;
    const auto [first, more] = streetLines(address->street);
    appendLdifLine(out, attributes[0], first);
    appendLdifLine(out, attributes[1], more);
    appendLdifLine(out, attributes[2], address->city);
    appendLdifLine(out, attributes[3], address->region);
    appendLdifLine(out, attributes[4], address->postalCode);
    appendLdifLine(out, attributes[5], address->country);
}

std::string dateOrText(const contact::DateOrText& value) {
    return value.date ? isoDate(*value.date) : value.text;
}

// Thunderbird keeps a work and a home web page: the first of each.
const contact::WebPage* firstPage(const Contact& contact, contact::Place place) {
    for (const contact::WebPage& page : contact.webPages)
        if (page.place == place) return &page;
    return nullptr;
}

std::vector<const contact::WebPage*> unplacedPages(const Contact& contact) {
    std::vector<const contact::WebPage*> unplaced;
    const contact::WebPage* work = firstPage(contact, contact::Place::Work);
    const contact::WebPage* home = firstPage(contact, contact::Place::Home);
    for (const contact::WebPage& page : contact.webPages)
        if (&page != work && &page != home) unplaced.push_back(&page);
    return unplaced;
}

// The labelled lines of what has no attribute, for after the note.
std::string descriptionLines(const Contact& contact, const std::vector<const contact::Phone*>& unplacedPhones) {
    std::string extra;
    const contact::Name& name = contact.name;
    if (!name.middle.empty()) appendNoteLine(extra, "Middle name", name.middle);
    if (!name.prefix.empty()) appendNoteLine(extra, "Name prefix", name.prefix);
    if (!name.suffix.empty()) appendNoteLine(extra, "Name suffix", name.suffix);
    if (!contact.office.empty()) appendNoteLine(extra, "Office", contact.office);
    for (std::size_t i = 2; i < contact.emails.size(); ++i) appendNoteLine(extra, "E-mail", contact.emails[i].address);
    for (const contact::WebPage* page : unplacedPages(contact)) appendNoteLine(extra, webPageLabel(page->place), page->url);
    for (const contact::Phone* phone : unplacedPhones) appendNoteLine(extra, phoneLabel(phone->kind), phone->number);
    if (!contact.birthday.date && !contact.birthday.text.empty())
        appendNoteLine(extra, "Birthday", contact.birthday.text);
    if (!contact.anniversary.empty()) appendNoteLine(extra, "Anniversary", dateOrText(contact.anniversary));
    for (const contact::Related& person : contact.related)
        appendNoteLine(extra, relationLabel(person.relation), person.name);
    if (!contact.categories.empty()) appendNoteLine(extra, "Categories", joinedCategories(contact.categories, ", "));
    const bool jpeg = contact.photo && contact.photo->image == contact::ImageKind::Jpeg;
    appendCommonNoteLines(extra, contact, {.photo = jpeg});
    return extra;
}

// The entry of one contact, the blank line after it included.
void writeEntry(TextSink& out, const Contact& contact, std::string_view dn) {
    appendLdifLine(out, "dn", dn);
    for (std::string_view objectClass : {"top", "person", "organizationalPerson", "inetOrgPerson", "mozillaAbPersonAlpha"})
        appendLdifLine(out, "objectclass", objectClass);
    appendLdifLine(out, "givenName", contact.name.given);
    appendLdifLine(out, "sn", contact.name.family);
    appendLdifLine(out, "cn", contact.formattedName);
    appendLdifLine(out, "mozillaNickname", contact.nickname);
    if (contact.emails.size() > 0) appendLdifLine(out, "mail", contact.emails[0].address);
    if (contact.emails.size() > 1) appendLdifLine(out, "mozillaSecondEmail", contact.emails[1].address);

    std::vector<std::string_view> numbers;
    const std::vector<const contact::Phone*> unplaced = fillPhoneSlots(contact.phones, kPhoneSlots, numbers);
    for (std::size_t i = 0; i < kPhoneSlots.size(); ++i) appendLdifLine(out, kPhoneSlots[i].name, numbers[i]);

    appendAddress(out, contact.homeAddress,
                  {"mozillaHomeStreet", "mozillaHomeStreet2", "mozillaHomeLocalityName", "mozillaHomeState",
                   "mozillaHomePostalCode", "mozillaHomeCountryName"});
    appendAddress(out, contact.workAddress, {"street", "mozillaWorkStreet2", "l", "st", "postalCode", "c"});
    appendLdifLine(out, "title", contact.jobTitle);
    appendLdifLine(out, "ou", contact.unit);
    appendLdifLine(out, "o", contact.organization);
    if (const contact::WebPage* work = firstPage(contact, contact::Place::Work))
        appendLdifLine(out, "mozillaWorkUrl", work->url);
    if (const contact::WebPage* home = firstPage(contact, contact::Place::Home))
        appendLdifLine(out, "mozillaHomeUrl", home->url);
    if (const auto& birthday = contact.birthday.date) {
        appendLdifLine(out, "birthyear", std::to_string(birthday->year));
        appendLdifLine(out, "birthmonth", std::to_string(birthday->month));
        appendLdifLine(out, "birthday", std::to_string(birthday->day));
    }
    appendLdifLine(out, "description", PiecedText(contact, descriptionLines(contact, unplaced)));
    // Thunderbird and LDAP take a photo as JPEG alone (RFC 2798); other images are named
    // in the description.
    if (contact.photo && contact.photo->image == contact::ImageKind::Jpeg) {
        out.append("jpegPhoto:: ");
        text::encodeBase64([&](const auto& each) { contact.photo->forEachDecodedPiece(each); },
                           [&](std::string_view digits) { out.append(digits); });
        out.append("\n");
    }
    out.append("\n");
}

// The dn of a contact's entry (its first RDN, then its first address) with another of its
// addresses in the address's place.
std::string dnAt(std::string_view dn, std::string_view address) {
    std::size_t end = 0;
    while (end < dn.size() && dn[end] != ',') end += dn[end] == '\\' ? 2 : 1;
    return std::string(dn.substr(0, std::min(end, dn.size()))) + ",mail=" + dnValue(address);
}

class LdifWriter final : public ModelFileWriter {
public:
    LdifWriter() : ModelFileWriter(kLdifFileName) {}

private:
    std::string opening() override { return "version: 1\n"; }
    MediaUse mediaUse() const override {
        return {.photo = FileUse::Written, .attachments = FileUse::Named, .jpegPhotoOnly = true};
    }

    bool writesGroups() const override { return true; }

    void spell(const Contact& contact, std::int64_t runningNumber, TextSink& out) override {
        lastDn_ = distinctDn(contact, contact.uid + "-" + std::to_string(runningNumber));
        writeEntry(out, contact, lastDn_);
    }
    std::string writtenIdentity(const Contact&) override { return lastDn_; }

    // Thunderbird's mailing lists: an entry of class groupOfNames per list, its members
    // by the dns of their entries (a contact named by its second address by the dn of that
    // address, which Thunderbird finds the card by), a list inside it by the dn of that
    // list's entry, so that every list holds its members once however deep they nest.
    // Thunderbird's lists hold no lists, so the description names the lists inside too.
    // An address outside the book gets an entry of its own (a card with a name and an
    // address, as Thunderbird exports such members) before the first list that names it;
    // a member without an Internet address is a line of the description, as the list's
    // own address is. A groupOfNames needs a member: a list without one (nor one inside
    // it) is left out and named in the summary.
    void spellGroups(const contact::GroupBook& groups, const WrittenIdentities& written, TextSink& out) override {
        using Kind = contact::GroupMember::Kind;
        const std::vector<contact::Group>& lists = groups.lists();
        std::vector<bool> direct(lists.size(), false);
        for (std::size_t i = 0; i < lists.size(); ++i)
            for (const contact::GroupMember& member : lists[i].members)
                if (member.kind == Kind::Outside || (member.kind == Kind::Contact && written.contacts.contains(member.contact)))
                    direct[i] = true;
        const std::vector<bool> kept = groups.holding(direct);
        std::vector<std::string> dns(lists.size());
        for (std::size_t i = 0; i < lists.size(); ++i) {
            if (!kept[i]) {
                emptyLists_.emplace_back(lists[i].name);
                continue;
            }
            Contact list;
            list.formattedName = lists[i].name;
            list.uid = written.lists[i];
            dns[i] = distinctDn(list, list.uid + "-" + std::to_string(i + 1));
        }
        std::unordered_map<std::string_view, std::string> outside; // address -> the dn of its entry
        std::vector<std::string> members;
        for (std::size_t i = 0; i < lists.size(); ++i) {
            if (!kept[i]) continue;
            const contact::Group& group = lists[i];
            members.clear();
            std::string lines;
            for (const contact::GroupMember& member : group.members) {
                if (member.kind == Kind::Contact) {
                    if (auto found = written.contacts.find(member.contact); found != written.contacts.end())
                        members.push_back(member.emailSlot == 1 ? dnAt(found->second, member.address) : found->second);
                } else if (member.kind == Kind::Group) {
                    if (!kept[member.group]) continue;
                    members.push_back(dns[member.group]);
                    appendNoteLine(lines, "List inside this one", member.name);
                } else if (member.kind == Kind::Outside) {
                    auto [entry, added] = outside.try_emplace(member.address);
                    if (added) entry->second = writeOutsideEntry(member, outside.size(), out);
                    members.push_back(entry->second);
                } else {
                    appendNoteLine(lines, "Member without an Internet address", member.name);
                }
            }
            if (!group.internetAddress.empty()) appendNoteLine(lines, "E-mail", group.internetAddress);
            if (!group.categories.empty())
                appendNoteLine(lines, "Categories", joinedCategories(group.categories, ", "));
            std::string description(group.description);
            if (!description.empty() && !lines.empty()) description += "\r\n";
            appendLdifLine(out, "dn", dns[i]);
            for (std::string_view objectClass : {"top", "groupOfNames"}) appendLdifLine(out, "objectclass", objectClass);
            appendLdifLine(out, "cn", group.name);
            appendLdifLine(out, "description", description + lines);
            // A contact named by two addresses Thunderbird has no place for is one member.
            std::unordered_set<std::string_view> once;
            for (const std::string& member : members)
                if (once.insert(member).second) appendLdifLine(out, "member", member);
            out.append("\n");
        }
    }

    const std::vector<std::string>& listsWithoutMembers() const override { return emptyLists_; }

    // The card of the n-th address outside the book, and its dn.
    std::string writeOutsideEntry(const contact::GroupMember& member, std::size_t n, TextSink& out) {
        Contact card;
        card.formattedName = member.name.empty() ? member.address : member.name;
        card.emails.push_back({contact::Place::Work, std::string(member.address), {}});
        const std::string dn = distinctDn(card, "outside-" + std::to_string(n));
        writeEntry(out, card, dn);
        return dn;
    }

    // Two entries of one name and address: the later ones add their uid (distinct within
    // the file), and where a hash says even that was written, the fallback.
    std::string distinctDn(const Contact& contact, const std::string& fallback) {
        std::string dn = thunderbirdDn(contact);
        if (!written_.add(dn)) {
            dn = thunderbirdDn(contact, contact.uid.empty() ? fallback : contact.uid);
            if (!written_.add(dn)) {
                dn = thunderbirdDn(contact, fallback);
                written_.add(dn);
            }
        }
        return dn;
    }

    contact::SeenTexts written_;
    std::string lastDn_;
    std::vector<std::string> emptyLists_;
};

} // namespace

bool isSafeLdifValue(const PiecedText& value) {
    bool safe = true, first = true;
    char last = 0;
    value.forEach([&](std::string_view piece) {
        if (!safe || piece.empty()) return;
        if (first && (piece.front() == ' ' || piece.front() == ':' || piece.front() == '<')) safe = false;
        first = false;
        for (char c : piece) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte == 0 || byte == '\r' || byte == '\n' || byte >= 0x80) {
                safe = false;
                return;
            }
        }
        last = piece.back();
    });
    return safe && last != ' ';
}

void appendLdifLine(TextSink& out, std::string_view attribute, const PiecedText& value) {
    if (value.empty()) return;
    out.append(attribute);
    if (isSafeLdifValue(value)) {
        out.append(": ");
        value.forEach([&](std::string_view piece) { out.append(piece); });
    } else {
        out.append(":: ");
        text::encodeBase64([&](const auto& each) { value.forEach(each); },
                           [&](std::string_view digits) { out.append(digits); });
    }
    out.append("\n"); // LF alone, as RFC 2849 allows: readers that split at LF keep no stray CR

}

std::string dnValue(std::string_view value) {
    std::string escaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool special = c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';';
        const bool edge = (i == 0 && (c == '#' || c == ' ')) || (i + 1 == value.size() && c == ' ');
        if (special || edge) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string thunderbirdDn(const Contact& contact, std::string_view uid) {
    // Each part escaped on its own, then joined: the uid joins the cn in one RDN.
    std::string dn = contact.formattedName.empty() ? std::string() : "cn=" + dnValue(contact.formattedName);
    if (!uid.empty() || dn.empty()) dn += (dn.empty() ? "uid=" : "+uid=") + dnValue(uid.empty() ? contact.uid : uid);
    if (!contact.emails.empty()) dn += ",mail=" + dnValue(contact.emails.front().address);
    return dn;
}

std::string ldifEntry(const Contact& contact, std::string_view dn) {
    StringSink out;
    writeEntry(out, contact, dn);
    return std::move(out.text);
}

std::unique_ptr<FormatWriter> makeLdifWriter() { return std::make_unique<LdifWriter>(); }

} // namespace brenmoor::exporting
