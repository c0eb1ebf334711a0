// The vCard 3.0 and 4.0 cards: one list of properties, spelled by version where the
// versions differ.
#include "export/standard_vcard_writer.h"

#include <cctype>
#include <cstdio>
#include <initializer_list>

#include "export/contact_text.h"
#include "export/model_file_writer.h"
#include "export/vcard_text.h"
#include "text/base64.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

using contact::Contact;
using contact::PhoneKind;
using contact::Relation;

// A property name with its parameters, as each version spells it.
struct Spelling {
    std::string_view v3;
    std::string_view v4;
};

Spelling telephone(PhoneKind kind) {
    switch (kind) {
    case PhoneKind::WorkVoice: return {"TEL;TYPE=WORK,VOICE", "TEL;TYPE=work,voice"};
    case PhoneKind::WorkFax: return {"TEL;TYPE=WORK,FAX", "TEL;TYPE=work,fax"};
    case PhoneKind::WorkCell: return {"TEL;TYPE=WORK,CELL", "TEL;TYPE=work,cell"};
    case PhoneKind::WorkPager: return {"TEL;TYPE=WORK,PAGER", "TEL;TYPE=work,pager"};
    case PhoneKind::HomeVoice: return {"TEL;TYPE=HOME,VOICE", "TEL;TYPE=home,voice"};
    case PhoneKind::HomeFax: return {"TEL;TYPE=HOME,FAX", "TEL;TYPE=home,fax"};
    case PhoneKind::PersonalCell: return {"TEL;TYPE=HOME,CELL", "TEL;TYPE=home,cell"};
    case PhoneKind::Assistant: return {"TEL;TYPE=X-ASSISTANT,VOICE", "TEL;TYPE=x-assistant,voice"};
    case PhoneKind::Car: return {"TEL;TYPE=CAR,VOICE", "TEL;TYPE=x-car,voice"};
    case PhoneKind::OtherVoice: return {"TEL;TYPE=VOICE", "TEL;TYPE=voice"};
    case PhoneKind::OtherFax: return {"TEL;TYPE=FAX", "TEL;TYPE=fax"};
    }
    return {"TEL", "TEL"};
}

// The preferred number says so: in 3.0 among its types, in 4.0 by its own parameter.
std::string telephoneName(const contact::Phone& phone, bool v4) {
    const Spelling spelling = telephone(phone.kind);
    std::string name(v4 ? spelling.v4 : spelling.v3);
    if (phone.preferred) name += v4 ? ";PREF=1" : ",PREF";
    return name;
}

Spelling webPage(contact::Place place) {
    switch (place) {
    case contact::Place::Work: return {"URL;TYPE=WORK", "URL;TYPE=work"};
    case contact::Place::Home: return {"URL;TYPE=HOME", "URL;TYPE=home"};
    case contact::Place::Other: return {"URL", "URL"};
    }
    return {"URL", "URL"};
}

Spelling relatedPerson(Relation relation) {
    switch (relation) {
    case Relation::Spouse: return {"X-MS-SPOUSE", "RELATED;TYPE=spouse;VALUE=text"};
    case Relation::Child: return {"X-MS-CHILD", "RELATED;TYPE=child;VALUE=text"};
    case Relation::Manager: return {"X-MS-MANAGER", "RELATED;TYPE=x-manager;VALUE=text"};
    case Relation::Assistant: return {"X-MS-ASSISTANT", "RELATED;TYPE=agent;VALUE=text"};
    }
    return {"X-RELATED", "RELATED;VALUE=text"};
}

// The content lines of one card, written as they are made.
class Card {
public:
    Card(TextSink& out, VcardVersion version)
        : lines_(out), v4_(version == VcardVersion::V4), textSemicolons_(v4_ ? Semicolons::Kept : Semicolons::Escaped) {}

    bool v4() const { return v4_; }
    std::string_view name(const Spelling& spelling) const { return v4_ ? spelling.v4 : spelling.v3; }

    // A property whose value goes in as it is (dates, identifiers).
    void plain(std::string_view name, std::string_view value) {
        start(name);
        lines_.plain(value);
        lines_.end();
    }
    void text(std::string_view name, const PiecedText& value) {
        start(name);
        value.forEach([&](std::string_view piece) { lines_.escaped(piece, textSemicolons_); });
        lines_.end();
    }
    void textIfAny(std::string_view name, const PiecedText& value) {
        if (!value.empty()) text(name, value);
    }
    // A compound value: the components joined by ";".
    void components(std::string_view name, std::initializer_list<std::string_view> parts) {
        start(name);
        bool first = true;
        for (std::string_view part : parts) {
            if (!first) lines_.plain(";");
            first = false;
            lines_.escaped(part, Semicolons::Escaped);
        }
        lines_.end();
    }
    // A list value: the values joined by ",".
    void list(std::string_view name, const std::vector<std::string>& values) {
        start(name);
        bool first = true;
        for (const std::string& value : values) {
            if (!first) lines_.plain(",");
            first = false;
            lines_.escaped(value, textSemicolons_);
        }
        lines_.end();
    }

    // The photo inline, its bytes in base64 as they are decoded: 3.0's binary value,
    // 4.0's data URI (RFC 2397).
    void photo(const contact::Attachment& photo) {
        const std::string_view type = v4_ ? contact::mediaType(photo.image) : contact::imageTypeName(photo.image);
        start(v4_ ? "PHOTO" : "PHOTO;ENCODING=b;TYPE=" + std::string(type));
        if (v4_) lines_.plain("data:" + std::string(type) + ";base64,");
        text::encodeBase64([&](const auto& each) { photo.forEachDecodedPiece(each); },
                           [&](std::string_view digits) { lines_.plain(digits); });
        lines_.end();
    }

private:
    void start(std::string_view name) {
        lines_.start();
        lines_.plain(name);
        lines_.plain(":");
    }

    VcardLines lines_;
    bool v4_;
    Semicolons textSemicolons_;
};

// A language tag as LANGUAGE takes it (RFC 5646's letters, digits and hyphens): any
// other text would break the property's parameters.
bool isLanguageTag(std::string_view tag) {
    for (char c : tag)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

std::string dateValue(const CalendarDate& date, bool v4) {
    return text::threeNumbers(date.year, 4, date.month, date.day, v4 ? "" : "-");
}

// 20240131T120000Z in vCard 4.0, 2024-01-31T12:00:00Z in vCard 3.0.
std::string timestampValue(const contact::Timestamp& stamp, bool v4) {
    return text::threeNumbers(stamp.year, 4, stamp.month, stamp.day, v4 ? "" : "-") + 'T' +
           text::threeNumbers(stamp.hour, 2, stamp.minute, stamp.second, v4 ? "" : ":") + (stamp.utc ? "Z" : "");
}

void writeIdentity(Card& card, const Contact& contact) {
    card.plain("BEGIN", "VCARD");
    card.plain("VERSION", card.v4() ? "4.0" : "3.0");
    card.plain("PRODID", "-//Brenmoor//Brenmoor//EN");
    if (card.v4()) card.plain("KIND", "individual");
    card.plain("UID", card.v4() ? "urn:uuid:" + contact.uid : contact.uid);
    if (contact.revision) card.plain("REV", timestampValue(*contact.revision, card.v4()));
}

void writeNames(Card& card, const Contact& contact) {
    // 4.0 gives the name in another language as a second FN, the two tied by ALTID.
    if (card.v4() && !contact.alternateName.empty()) {
        card.text("FN;ALTID=1", contact.formattedName);
        const std::string& language = contact.alternateNameLanguage;
        card.text(language.empty() || !isLanguageTag(language) ? std::string("FN;ALTID=1")
                                                               : "FN;ALTID=1;LANGUAGE=" + language,
                  contact.alternateName); // a tag it cannot hold goes into the note
    } else {
        card.text("FN", contact.formattedName);
    }
    const contact::Name& name = contact.name;
    const bool named = !(name.family.empty() && name.given.empty() && name.middle.empty() && name.prefix.empty() &&
                         name.suffix.empty());
    // The reading of the name where it splits: Apple's and Google's phonetic names, and in
    // 4.0 the sort strings of N (a quote, which no parameter value may hold, leaves them out).
    const bool reading = !contact.readingFamily.empty();
    std::string nName = "N";
    if (reading && card.v4() && (contact.readingFamily + contact.readingGiven).find_first_of("\",") == std::string::npos)
        nName += ";SORT-AS=\"" + contact.readingFamily + "," + contact.readingGiven + "\"";
    if (named || !card.v4()) card.components(nName, {name.family, name.given, name.middle, name.prefix, name.suffix});
    if (reading) {
        card.text("X-PHONETIC-FIRST-NAME", contact.readingGiven);
        card.text("X-PHONETIC-LAST-NAME", contact.readingFamily);
    }
    card.textIfAny("NICKNAME", contact.nickname);
    if (!contact.organization.empty() || !contact.unit.empty()) {
        // A compound value in both versions: a ";" in the name is escaped even in 4.0.
        if (contact.unit.empty())
            card.components("ORG", {contact.organization});
        else
            card.components("ORG", {contact.organization, contact.unit});
    }
    card.textIfAny("TITLE", contact.jobTitle);
}

// A URI of the scheme and the text, what a URI may not hold percent-encoded (and with it
// the "," and ";" a vCard value would have to escape): "mailto:kim%20lee@example.com".
std::string uriOf(std::string_view scheme, std::string_view text) {
    static constexpr std::string_view kKept = "-._~@!$&'*+=";
    std::string uri(scheme);
    uri += ':';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x80 && std::isalnum(byte)) || kKept.find(c) != std::string_view::npos) {
            uri += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            uri += escaped;
        }
    }
    return uri;
}

void writeReaching(Card& card, const Contact& contact) {
    bool preferred = true;
    for (const contact::Email& email : contact.emails) {
        if (preferred)
            card.text(card.name({"EMAIL;TYPE=INTERNET,PREF", "EMAIL;PREF=1"}), email.address);
        else
            card.text(card.name({"EMAIL;TYPE=INTERNET", "EMAIL"}), email.address);
        preferred = false;
    }
    for (const contact::Phone& phone : contact.phones) card.text(telephoneName(phone, card.v4()), phone.number);
    // Outlook's property for an instant-messaging address, which Outlook, Apple Contacts
    // and Thunderbird show; and IMPP with the service named as Apple Contacts, KContacts
    // and Evolution name one they have no scheme of their own for.
    for (const std::string& address : contact.imAddresses) {
        card.text("X-MS-IMADDRESS", address);
        card.plain("IMPP;X-SERVICE-TYPE=Sametime", uriOf("sametime", address));
    }

    if (contact.workAddress || !contact.office.empty()) {
        const contact::Address work = contact.workAddress.value_or(contact::Address{});
        card.components(card.name({"ADR;TYPE=WORK", "ADR;TYPE=work"}),
                        {"", contact.office, work.street, work.city, work.region, work.postalCode, work.country});
    }
    if (const auto& home = contact.homeAddress)
        card.components(card.name({"ADR;TYPE=HOME", "ADR;TYPE=home"}),
                        {"", "", home->street, home->city, home->region, home->postalCode, home->country});
    for (const contact::WebPage& page : contact.webPages) card.text(card.name(webPage(page.place)), page.url);
}

// Evolution's own property for a related person, which it reads instead of the others.
std::string_view evolutionRelated(Relation relation) {
    switch (relation) {
    case Relation::Spouse: return "X-EVOLUTION-SPOUSE";
    case Relation::Manager: return "X-EVOLUTION-MANAGER";
    case Relation::Assistant: return "X-EVOLUTION-ASSISTANT";
    case Relation::Child: break; // Evolution has none for children
    }
    return {};
}

// Birthday and anniversary (the anniversary also as Evolution's own property, which is
// the one it reads); a date that is only text goes into the note as well, as 3.0 has no
// place for it and readers of 4.0 take VALUE=text for a date or drop it.
void writeDates(Card& card, const Contact& contact, std::string& noteLines) {
    const struct {
        const contact::DateOrText& value;
        std::string_view v3Name;
        std::string_view v4Name;
        std::string_view evolutionName;
        std::string_view label;
    } dates[] = {
        {contact.birthday, "BDAY", "BDAY", "", "Birthday"},
        {contact.anniversary, "X-ANNIVERSARY", "ANNIVERSARY", "X-EVOLUTION-ANNIVERSARY", "Anniversary"},
    };
    for (const auto& date : dates) {
        if (date.value.date) {
            card.plain(card.v4() ? date.v4Name : date.v3Name, dateValue(*date.value.date, card.v4()));
            if (!date.evolutionName.empty()) card.plain(date.evolutionName, isoDate(*date.value.date));
        } else if (!date.value.text.empty()) {
            if (card.v4()) card.text(std::string(date.v4Name) + ";VALUE=text", date.value.text);
            appendNoteLine(noteLines, date.label, date.value.text);
        }
    }
}

void writeCard(TextSink& out, const Contact& contact, VcardVersion version) {
    Card card(out, version);
    writeIdentity(card, contact);
    writeNames(card, contact);
    writeReaching(card, contact);
    std::string noteLines;
    writeDates(card, contact, noteLines);
    if (!contact.revisionText.empty()) appendNoteLine(noteLines, "Revision", contact.revisionText);
    for (const contact::Related& person : contact.related) {
        card.text(card.name(relatedPerson(person.relation)), person.name);
        if (const std::string_view evolution = evolutionRelated(person.relation); !evolution.empty())
            card.text(evolution, person.name);
    }
    // A language tag LANGUAGE cannot hold keeps the name and its tag in the note.
    const bool alternateCarried = card.v4() && isLanguageTag(contact.alternateNameLanguage);
    appendCommonNoteLines(noteLines, contact,
                          {.instantMessaging = true, .alternateName = alternateCarried, .photo = true,
                           .privateFlag = !card.v4(), // 4.0 has no CLASS
                           .nameReading = true});

    card.textIfAny("NOTE", PiecedText(contact, noteLines));
    if (!contact.categories.empty()) card.list("CATEGORIES", contact.categories);
    if (contact.isPrivate && !card.v4()) card.plain("CLASS", "PRIVATE");
    if (contact.photo) card.photo(*contact.photo);
    card.plain("END", "VCARD");
}

// "Kim Lee <kim@example.com>", or the address alone.
std::string namedAddress(const contact::GroupMember& member) {
    const std::string address(member.address);
    return member.name.empty() ? address : std::string(member.name) + " <" + address + ">";
}

// The card of a list: KIND group (4.0) or Apple's X-ADDRESSBOOKSERVER-KIND (3.0), the
// members of the book by the UIDs of their cards. Members outside the book are mailto:
// MEMBERs in 4.0 and note lines in 3.0, which has no member but a card; a member without
// an Internet address is a note line in both.
void writeGroupCard(TextSink& out, const contact::Group& group, const std::string& uid,
                    const WrittenIdentities& written, VcardVersion version) {
    using Kind = contact::GroupMember::Kind;
    Card card(out, version);
    card.plain("BEGIN", "VCARD");
    card.plain("VERSION", card.v4() ? "4.0" : "3.0");
    card.plain("PRODID", "-//Brenmoor//Brenmoor//EN");
    card.plain(card.name({"X-ADDRESSBOOKSERVER-KIND", "KIND"}), "group");
    card.plain("UID", card.v4() ? "urn:uuid:" + uid : uid);
    card.text("FN", group.name);
    if (!card.v4()) card.components("N", {group.name});
    if (!group.internetAddress.empty()) card.text(card.name({"EMAIL;TYPE=INTERNET", "EMAIL"}), group.internetAddress);
    const std::string_view member = card.name({"X-ADDRESSBOOKSERVER-MEMBER", "MEMBER"});
    std::string noteLines;
    for (const contact::GroupMember& m : group.members) {
        const std::string* memberUid = nullptr;
        if (m.kind == Kind::Contact)
            if (auto found = written.contacts.find(m.contact); found != written.contacts.end()) memberUid = &found->second;
        if (m.kind == Kind::Group) memberUid = &written.lists.at(m.group);
        if (memberUid) card.plain(member, "urn:uuid:" + *memberUid);
        else if (m.kind == Kind::Unaddressed) appendNoteLine(noteLines, "Member without an Internet address", m.name);
        else if (card.v4()) card.plain(member, uriOf("mailto", m.address));
        else appendNoteLine(noteLines, "Member", namedAddress(m));
    }
    std::string note(group.description);
    if (!note.empty() && !noteLines.empty()) note += "\r\n";
    card.textIfAny("NOTE", note + noteLines);
    if (!group.categories.empty()) card.list("CATEGORIES", group.categories);
    card.plain("END", "VCARD");
}

class StandardVcardWriter final : public ModelFileWriter {
public:
    StandardVcardWriter(std::string_view fileName, VcardVersion version)
        : ModelFileWriter(fileName), version_(version) {}

    bool writesGroups() const override { return true; }
    bool setSplit(const FileSplit& split) override { return takeSplit(split); }

private:
    void spell(const Contact& contact, std::int64_t, TextSink& out) override { writeCard(out, contact, version_); }
    void spellGroups(const contact::GroupBook& groups, const WrittenIdentities& written, TextSink& out) override {
        for (std::size_t i = 0; i < groups.lists().size(); ++i)
            writeGroupCard(out, groups.lists()[i], written.lists[i], written, version_);
    }
    MediaUse mediaUse() const override { return {.photo = FileUse::Written, .attachments = FileUse::Named}; }

    VcardVersion version_;
};

} // namespace

std::string standardVcard(const Contact& contact, VcardVersion version) {
    StringSink card;
    writeCard(card, contact, version);
    return std::move(card.text);
}

std::unique_ptr<FormatWriter> makeVcard3Writer() {
    return std::make_unique<StandardVcardWriter>(kVcard3FileName, VcardVersion::V3);
}

std::unique_ptr<FormatWriter> makeVcard4Writer() {
    return std::make_unique<StandardVcardWriter>(kVcard4FileName, VcardVersion::V4);
}

} // namespace brenmoor::exporting
