// The importer formats against the contact model: a document made of the input is read
// into the model, spelled as vCard 3.0, vCard 4.0, LDIF and Outlook CSV, and each output
// is read back by a reader of this file's own (written from RFC 6350 and 2426, RFC 2849
// and RFC 4180, sharing nothing with the writers) and compared with the model field by
// field: every line well-formed, every value found where its format puts it.
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contact/contact_from_document.h"
#include "export/ldif_writer.h"
#include "export/outlook_csv_writer.h"
#include "export/standard_vcard_writer.h"
#include "tests/fuzz/fuzz_targets.h"
#include "text/base64.h"

namespace brenmoor::fuzz {

namespace {

using contact::Contact;
using contact::PhoneKind;
using contact::Relation;
using exporting::VcardVersion;

// ---- the document made of the input --------------------------------------------------

// The length of the UTF-8 sequence at bytes[i] (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF); 0 where none starts there.
std::size_t utf8Length(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return 0;
    if (length >= 3) {
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second >= 0x90))
            return 0;
    }
    return length;
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Valid UTF-8 without the characters XML cannot carry (C0 controls but tab and the line
// breaks): what the reader of a book can hand out. Other bytes become "?".
std::string asXmlText(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = utf8Length(bytes, i);
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (length == 0 || (lead < 0x20 && lead != '\t' && lead != '\r' && lead != '\n')) {
            text += '?';
            ++i;
            continue;
        }
        text.append(bytes.substr(i, length));
        i += length;
    }
    return text;
}

// The input split at NUL bytes: one piece per catalogue item in its order, then the
// universal ID and the time of last change. A piece that starts with byte 5 names its item
// itself, up to the next byte 5 (an item of the current template, of the Directory, or
// the user's own, in the catalogue item's place). Within a piece, byte 1 separates the
// values of a list; a first byte 2, 3 or 4 makes it a date-time, a number or rich text. Each
// piece after those is an attached file: a first byte (bit 0: a picture of "Photo",
// bit 1: stored compressed), its name, byte 1, its bytes.
notes::ContactDocument documentOf(std::string_view input) {
    std::vector<std::string_view> pieces;
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\0'), input.size());
        pieces.push_back(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    std::vector<std::pair<std::string, notes::ItemValue>> items;
    for (std::size_t i = 0; i < pieces.size() && i < std::size(notes::kContactItems); ++i) {
        std::string_view piece = pieces[i];
        if (piece.empty()) continue;
        std::string name(notes::kContactItems[i].notesName);
        if (piece.front() == 5) {
            piece.remove_prefix(1);
            const std::size_t end = std::min(piece.find('\5'), piece.size());
            name = asXmlText(piece.substr(0, end));
            piece.remove_prefix(std::min(end + 1, piece.size()));
            if (name.empty() || piece.empty()) continue;
        }
        notes::ItemValue value{notes::ItemValue::Kind::Text, {}, {}};
        if (piece.front() >= 2 && piece.front() <= 4) {
            value.kind = piece.front() == 2   ? notes::ItemValue::Kind::DateTime
                         : piece.front() == 3 ? notes::ItemValue::Kind::Number
                                              : notes::ItemValue::Kind::RichText;
            piece.remove_prefix(1);
        }
        bool first = true;
        while (true) {
            const std::size_t end = std::min(piece.find('\1'), piece.size());
            std::string text = asXmlText(piece.substr(0, end));
            if (first) value.text = std::move(text);
            else value.more.push_back(std::move(text));
            first = false;
            if (end == piece.size()) break;
            piece.remove_prefix(end + 1);
        }
        items.emplace_back(std::move(name), std::move(value));
    }
    notes::NoteInfo info;
    const std::size_t count = std::size(notes::kContactItems);
    if (pieces.size() > count) info.unid = asXmlText(pieces[count]);
    if (pieces.size() > count + 1) info.modified = asXmlText(pieces[count + 1]);
    std::vector<notes::AttachedFile> files;
    for (std::size_t i = count + 2; i < pieces.size(); ++i) {
        std::string_view piece = pieces[i];
        if (piece.empty()) continue;
        notes::AttachedFile& file = files.emplace_back();
        const char flags = piece.front();
        piece.remove_prefix(1);
        const std::size_t end = std::min(piece.find('\1'), piece.size());
        file.name = asXmlText(piece.substr(0, end));
        file.item = (flags & 1) ? "Photo" : "$FILE";
        piece.remove_prefix(std::min(end + 1, piece.size()));
        if (flags & 2) {
            file.state = notes::AttachedFile::State::Compressed;
            continue;
        }
        std::string base64;
        text::encodeBase64([&](const auto& each) { each(piece); }, [&](std::string_view d) { base64.append(d); });
        file.base64 = std::make_shared<const std::string>(std::move(base64));
    }
    return notes::ContactDocument(std::move(items), std::move(info), std::move(files));
}

// ---- small helpers --------------------------------------------------------------------

std::optional<std::string> fromBase64(std::string_view text);

// The bytes of a file of the contact.
std::string bytesOf(const contact::Attachment& file) {
    std::string bytes;
    file.forEachDecodedPiece([&](std::string_view piece) { bytes.append(piece); });
    return bytes;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Line breaks as a vCard value carries them: CR LF, CR and LF all become LF.
std::string oneBreak(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Every line ends in CR LF: no CR or LF stands alone.
bool onlyCrLf(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// ---- vCard (RFC 6350, RFC 2426) ----------------------------------------------------

struct VcardProperty {
    std::string name;                  // upper case
    std::vector<std::string> params;   // as written, upper case
    std::string raw;                   // the value as written
};

struct Vcard {
    std::vector<VcardProperty> properties;
    std::vector<const VcardProperty*> all(std::string_view name) const {
        std::vector<const VcardProperty*> found;
        for (const auto& p : properties)
            if (p.name == name) found.push_back(&p);
        return found;
    }
    const VcardProperty* one(std::string_view name, const std::string& what) const {
        const auto found = all(name);
        check(found.size() <= 1, what + ": " + std::string(name) + " occurs " + std::to_string(found.size()) + " times");
        return found.empty() ? nullptr : found.front();
    }
};

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// The physical lines unfolded into content lines, each checked: at most 75 octets, CR LF
// after each, a continuation starting with one space.
Vcard readVcard(std::string_view text, const std::string& what) {
    check(isUtf8(text), what + ": not valid UTF-8 (a fold inside a character?)");
    check(onlyCrLf(text), what + ": a CR or LF that does not end a line");
    check(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n", what + ": the last line has no CR LF");
    std::vector<std::string> logical;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        const std::string_view line = text.substr(at, end - at);
        check(line.size() <= 75, what + ": a line of " + std::to_string(line.size()) + " octets: " + quoted(line));
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            check(!logical.empty(), what + ": the first line is a continuation");
            logical.back().append(line.substr(1));
        } else {
            check(!line.empty(), what + ": an empty line");
            logical.emplace_back(line);
        }
        at = end + 2;
    }
    Vcard card;
    for (const std::string& line : logical) {
        const std::size_t colon = line.find(':');
        check(colon != std::string::npos, what + ": a content line without a colon: " + quoted(line));
        VcardProperty property;
        std::string_view head(line.data(), colon);
        std::size_t semicolon = std::min(head.find(';'), head.size());
        property.name = upper(head.substr(0, semicolon));
        check(!property.name.empty() &&
                  std::all_of(property.name.begin(), property.name.end(),
                              [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'; }),
              what + ": a property name that is no name: " + quoted(line));
        while (semicolon < head.size()) {
            head.remove_prefix(semicolon + 1);
            semicolon = std::min(head.find(';'), head.size());
            property.params.push_back(upper(head.substr(0, semicolon)));
        }
        property.raw = line.substr(colon + 1);
        card.properties.push_back(std::move(property));
    }
    check(!card.properties.empty() && card.properties.front().name == "BEGIN" && card.properties.front().raw == "VCARD",
          what + ": does not begin with BEGIN:VCARD");
    check(card.properties.back().name == "END" && card.properties.back().raw == "VCARD",
          what + ": does not end with END:VCARD");
    return card;
}

// A value split at its unescaped separators and unescaped. Separators that the value may
// not hold unescaped (a ";" in 3.0 text, any "," outside a list) fail the check.
std::vector<std::string> vcardValues(const std::string& raw, char separator, bool semicolonsEscaped,
                                     const std::string& what) {
    std::vector<std::string> values(1);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\') {
            check(i + 1 < raw.size(), what + ": a value ends in a lone backslash: " + quoted(raw));
            const char next = raw[++i];
            if (next == 'n' || next == 'N') values.back() += '\n';
            else if (next == '\\' || next == ',' || next == ';') values.back() += next;
            else check(false, what + ": an escape RFC 6350 does not know, \\" + std::string(1, next) + ": " + quoted(raw));
        } else if (c == separator) {
            values.emplace_back();
        } else {
            check(c != ',', what + ": an unescaped comma in " + quoted(raw));
            check(c != ';' || !semicolonsEscaped, what + ": an unescaped semicolon in " + quoted(raw));
            values.back() += c;
        }
    }
    return values;
}

class VcardCheck {
public:
    VcardCheck(const Contact& contact, VcardVersion version)
        : contact_(contact), v4_(version == VcardVersion::V4), what_(v4_ ? "vCard 4.0" : "vCard 3.0") {}

    void run() {
        const std::string text = exporting::standardVcard(contact_, v4_ ? VcardVersion::V4 : VcardVersion::V3);
        card_ = readVcard(text, what_);
        expectRaw("VERSION", v4_ ? "4.0" : "3.0");
        expectRaw("UID", v4_ ? "urn:uuid:" + contact_.uid : contact_.uid);
        checkNames();
        checkReaching();
        checkDates();
        checkRelated();
        // The lines every format adds for what it has no place for.
        for (const contact::OtherField& field : contact_.otherFields)
            noteMustHold_.push_back(oneBreak(field.label + ": " + field.value));
        if (!contact_.notesMailAddress.empty())
            noteMustHold_.push_back(oneBreak("Notes mail address: " + contact_.notesMailAddress));
        if (!contact_.revisionText.empty()) noteMustHold_.push_back(oneBreak("Revision: " + contact_.revisionText));
        const std::string& language = contact_.alternateNameLanguage;
        const bool tagHeld = std::all_of(language.begin(), language.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        });
        if (!contact_.alternateName.empty() && (!v4_ || !tagHeld))
            noteMustHold_.push_back(oneBreak("Alternate name: " + contact_.alternateName));
        checkPhoto();
        checkNote();
        const auto categories = card_.one("CATEGORIES", what_);
        if (contact_.categories.empty()) check(!categories, what_ + ": CATEGORIES without categories");
        else check(categories && list(*categories) == normalised(contact_.categories), what_ + ": CATEGORIES differ");
    }

private:
    std::string text(const VcardProperty& p) const {
        return vcardValues(p.raw, '\0', !v4_, what_ + " " + p.name).front();
    }
    std::vector<std::string> components(const VcardProperty& p) const {
        return vcardValues(p.raw, ';', true, what_ + " " + p.name);
    }
    std::vector<std::string> list(const VcardProperty& p) const {
        return vcardValues(p.raw, ',', !v4_, what_ + " " + p.name);
    }
    static std::vector<std::string> normalised(const std::vector<std::string>& values) {
        std::vector<std::string> out;
        for (const auto& v : values) out.push_back(oneBreak(v));
        return out;
    }

    void expectRaw(std::string_view name, const std::string& value) {
        const auto p = card_.one(name, what_);
        check(p && p->raw == value, what_ + ": " + std::string(name) + " is not " + quoted(value));
    }
    // A text property: present with the value where it is not empty, absent otherwise.
    void expectText(std::string_view name, const std::string& value) {
        const auto p = card_.one(name, what_);
        if (value.empty()) {
            check(!p, what_ + ": " + std::string(name) + " written for an empty value");
            return;
        }
        check(p != nullptr, what_ + ": " + std::string(name) + " missing for " + quoted(value));
        const std::string read = text(*p);
        check(read == oneBreak(value), what_ + ": " + std::string(name) + " reads back as " + quoted(read) +
                                           ", not " + quoted(value));
    }
    void expectComponents(const VcardProperty* p, std::string_view name, const std::vector<std::string>& values) {
        check(p != nullptr, what_ + ": " + std::string(name) + " missing");
        check(components(*p) == normalised(values), what_ + ": the components of " + std::string(name) +
                                                         " read back differently: " + quoted(p->raw));
    }

    void checkNames() {
        if (v4_ && !contact_.alternateName.empty()) {
            // The name in another language is a second FN, tied to the first by ALTID.
            const auto fns = card_.all("FN");
            check(fns.size() == 2, what_ + ": " + std::to_string(fns.size()) + " FN beside an alternate name");
            if (fns.size() == 2) {
                check(text(*fns[0]) == oneBreak(contact_.formattedName), what_ + ": FN differs");
                check(text(*fns[1]) == oneBreak(contact_.alternateName), what_ + ": the alternate FN differs");
                check(hasParam(*fns[0], "ALTID=1") && hasParam(*fns[1], "ALTID=1"), what_ + ": FN without ALTID");
            }
        } else {
            const auto fn = card_.one("FN", what_);
            check(fn && text(*fn) == oneBreak(contact_.formattedName), what_ + ": FN differs");
        }
        const contact::Name& n = contact_.name;
        const std::vector<std::string> parts{n.family, n.given, n.middle, n.prefix, n.suffix};
        const bool named = std::any_of(parts.begin(), parts.end(), [](const auto& s) { return !s.empty(); });
        const auto np = card_.one("N", what_);
        if (named || !v4_) expectComponents(np, "N", parts);
        else check(!np, what_ + ": N without a name");
        expectText("NICKNAME", contact_.nickname);
        const auto org = card_.one("ORG", what_);
        if (contact_.organization.empty() && contact_.unit.empty()) {
            check(!org, what_ + ": ORG without an organization");
        } else {
            std::vector<std::string> expected{contact_.organization};
            if (!contact_.unit.empty()) expected.push_back(contact_.unit);
            expectComponents(org, "ORG", expected);
        }
        expectText("TITLE", contact_.jobTitle);
    }

    std::string phoneType(PhoneKind kind) const {
        switch (kind) {
        case PhoneKind::WorkVoice: return "WORK,VOICE";
        case PhoneKind::WorkFax: return "WORK,FAX";
        case PhoneKind::WorkCell: return "WORK,CELL";
        case PhoneKind::WorkPager: return "WORK,PAGER";
        case PhoneKind::HomeVoice: return "HOME,VOICE";
        case PhoneKind::HomeFax: return "HOME,FAX";
        case PhoneKind::PersonalCell: return "HOME,CELL";
        case PhoneKind::Assistant: return "X-ASSISTANT,VOICE";
        case PhoneKind::Car: return v4_ ? "X-CAR,VOICE" : "CAR,VOICE";
        case PhoneKind::OtherVoice: return "VOICE";
        case PhoneKind::OtherFax: return "FAX";
        }
        return "";
    }
    static bool hasParam(const VcardProperty& p, const std::string& param) {
        return std::find(p.params.begin(), p.params.end(), param) != p.params.end();
    }

    void checkReaching() {
        const auto emails = card_.all("EMAIL");
        check(emails.size() == contact_.emails.size(), what_ + ": " + std::to_string(emails.size()) + " EMAIL for " +
                                                           std::to_string(contact_.emails.size()) + " addresses");
        for (std::size_t i = 0; i < emails.size(); ++i) {
            check(text(*emails[i]) == oneBreak(contact_.emails[i].address), what_ + ": EMAIL " + std::to_string(i + 1) + " differs");
            check((i == 0) == (hasParam(*emails[i], "PREF=1") || hasParam(*emails[i], "TYPE=INTERNET,PREF")),
                  what_ + ": only the first EMAIL is the preferred one");
        }
        const auto phones = card_.all("TEL");
        check(phones.size() == contact_.phones.size(), what_ + ": " + std::to_string(phones.size()) + " TEL for " +
                                                           std::to_string(contact_.phones.size()) + " phones");
        for (std::size_t i = 0; i < phones.size(); ++i) {
            check(text(*phones[i]) == oneBreak(contact_.phones[i].number), what_ + ": TEL " + std::to_string(i + 1) + " differs");
            const bool preferred = contact_.phones[i].preferred;
            check(hasParam(*phones[i], "TYPE=" + phoneType(contact_.phones[i].kind) + (preferred && !v4_ ? ",PREF" : "")),
                  what_ + ": TEL " + std::to_string(i + 1) + " has the wrong type");
            check(!v4_ || preferred == hasParam(*phones[i], "PREF=1"),
                  what_ + ": TEL " + std::to_string(i + 1) + " says preferred wrongly");
        }
        const auto adrs = card_.all("ADR");
        const VcardProperty* work = nullptr;
        const VcardProperty* home = nullptr;
        for (const auto* adr : adrs) (hasParam(*adr, "TYPE=WORK") ? work : home) = adr;
        check(adrs.size() == std::size_t(work != nullptr) + std::size_t(home != nullptr), what_ + ": ADR repeated");
        if (contact_.workAddress || !contact_.office.empty()) {
            const contact::Address a = contact_.workAddress.value_or(contact::Address{});
            expectComponents(work, "the work ADR", {"", contact_.office, a.street, a.city, a.region, a.postalCode, a.country});
        } else {
            check(!work, what_ + ": a work ADR without an address");
        }
        if (const auto& a = contact_.homeAddress)
            expectComponents(home, "the home ADR", {"", "", a->street, a->city, a->region, a->postalCode, a->country});
        else
            check(!home, what_ + ": a home ADR without an address");
        const auto urls = card_.all("URL");
        check(urls.size() == contact_.webPages.size(), what_ + ": " + std::to_string(urls.size()) + " URL for " +
                                                          std::to_string(contact_.webPages.size()) + " web pages");
        for (std::size_t i = 0; i < urls.size() && i < contact_.webPages.size(); ++i)
            check(text(*urls[i]) == oneBreak(contact_.webPages[i].url), what_ + ": URL " + std::to_string(i + 1) + " differs");
    }

    void checkDate(const contact::DateOrText& value, std::string_view name, std::string_view label) {
        const auto p = card_.one(name, what_);
        if (value.date) {
            char date[32];
            std::snprintf(date, sizeof date, v4_ ? "%04d%02d%02d" : "%04d-%02d-%02d", value.date->year,
                          value.date->month, value.date->day);
            check(p && p->raw == date, what_ + ": " + std::string(name) + " is not " + date);
        } else if (value.text.empty()) {
            check(!p, what_ + ": " + std::string(name) + " without a date");
        } else {
            if (v4_)
                check(p && hasParam(*p, "VALUE=TEXT") && text(*p) == oneBreak(value.text),
                      what_ + ": " + std::string(name) + " as text differs");
            else
                check(!p, what_ + ": " + std::string(name) + " for a date that is only text");
            noteMustHold_.push_back(std::string(label) + ": " + oneBreak(value.text));
        }
    }
    void checkDates() {
        checkDate(contact_.birthday, "BDAY", "Birthday");
        checkDate(contact_.anniversary, v4_ ? "ANNIVERSARY" : "X-ANNIVERSARY", "Anniversary");
    }

    void checkRelated() {
        std::vector<std::pair<std::string, std::string>> read; // relation, name
        for (const auto& p : card_.properties) {
            if (v4_ && p.name == "RELATED") {
                std::string type;
                for (const auto& param : p.params)
                    if (param.rfind("TYPE=", 0) == 0) type = param.substr(5);
                check(hasParam(p, "VALUE=TEXT"), what_ + ": RELATED without VALUE=text");
                read.emplace_back(type, text(p));
            } else if (!v4_ && (p.name == "X-MS-SPOUSE" || p.name == "X-MS-CHILD" || p.name == "X-MS-MANAGER" ||
                                p.name == "X-MS-ASSISTANT")) {
                read.emplace_back(p.name.substr(5), text(p));
            }
        }
        check(read.size() == contact_.related.size(), what_ + ": " + std::to_string(read.size()) +
                                                          " related people for " +
                                                          std::to_string(contact_.related.size()));
        for (std::size_t i = 0; i < read.size(); ++i) {
            const Relation r = contact_.related[i].relation;
            const std::string type = v4_ ? (r == Relation::Spouse ? "SPOUSE" : r == Relation::Child ? "CHILD"
                                                                          : r == Relation::Manager ? "X-MANAGER"
                                                                                                   : "AGENT")
                                         : (r == Relation::Spouse ? "SPOUSE" : r == Relation::Child ? "CHILD"
                                                                          : r == Relation::Manager ? "MANAGER"
                                                                                                   : "ASSISTANT");
            check(read[i].first == type && read[i].second == oneBreak(contact_.related[i].name),
                  what_ + ": related person " + std::to_string(i + 1) + " reads back as " + read[i].first + " " +
                      quoted(read[i].second));
        }
    }

    // The photo inline, its bytes those of the model; every other file named in the note.
    void checkPhoto() {
        const auto photo = card_.one("PHOTO", what_);
        for (const auto& file : contact_.attachments) noteMustHold_.push_back("Attachment: " + oneBreak(file.name()));
        if (!contact_.photo) return check(!photo, what_ + ": PHOTO without a photo");
        check(photo != nullptr, what_ + ": PHOTO missing");
        const std::string type(v4_ ? contact::mediaType(contact_.photo->image) : contact::imageTypeName(contact_.photo->image));
        const std::string prefix = v4_ ? "data:" + type + ";base64," : "";
        check(v4_ || (hasParam(*photo, "ENCODING=B") && hasParam(*photo, "TYPE=" + type)), what_ + ": PHOTO's parameters");
        check(photo->raw.rfind(prefix, 0) == 0, what_ + ": PHOTO is no data URI of its type");
        const auto bytes = fromBase64(std::string_view(photo->raw).substr(prefix.size()));
        check(bytes && *bytes == bytesOf(*contact_.photo), what_ + ": PHOTO's bytes differ from the photo's");
    }

    void checkNote() {
        const auto note = card_.one("NOTE", what_);
        if (!contact::hasNote(contact_) && noteMustHold_.empty()) {
            check(!note, what_ + ": NOTE without a note");
            return;
        }
        check(note != nullptr, what_ + ": NOTE missing");
        const std::string read = text(*note);
        check(read.rfind(oneBreak(contact::noteText(contact_)), 0) == 0, what_ + ": NOTE does not start with the note");
        for (const auto& line : noteMustHold_) check(contains(read, line), what_ + ": NOTE lacks " + quoted(line));
    }

    const Contact& contact_;
    bool v4_;
    std::string what_;
    Vcard card_;
    std::vector<std::string> noteMustHold_;
};

// ---- LDIF (RFC 2849) ----------------------------------------------------------------

std::optional<std::string> fromBase64(std::string_view text) {
    static constexpr std::string_view kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t bits = 0;
        int padding = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            std::size_t digit = kDigits.find(c);
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++padding;
                digit = 0;
            } else if (digit == std::string_view::npos || padding > 0) {
                return std::nullopt;
            }
            bits = bits << 6 | static_cast<std::uint32_t>(digit);
        }
        out += static_cast<char>(bits >> 16);
        if (padding < 2) out += static_cast<char>(bits >> 8 & 0xFF);
        if (padding < 1) out += static_cast<char>(bits & 0xFF);
    }
    return out;
}

// The attributes of one entry, in order, values decoded.
std::vector<std::pair<std::string, std::string>> readLdif(std::string_view text) {
    const std::string what = "LDIF";
    // Lines end in LF alone.
    check(text.find('\r') == std::string_view::npos, what + ": a CR");
    check(text.size() >= 2 && text.substr(text.size() - 2) == "\n\n", what + ": the entry does not end in an empty line");
    std::vector<std::string> logical;
    text.remove_suffix(1);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line = text.substr(at, end - at);
        check(!line.empty(), what + ": an empty line inside the entry");
        if (line.front() == ' ') {
            check(!logical.empty(), what + ": the first line is a continuation");
            logical.back().append(line.substr(1));
        } else {
            logical.emplace_back(line);
        }
        at = end + 1;
    }
    std::vector<std::pair<std::string, std::string>> attributes;
    for (const std::string& line : logical) {
        const std::size_t colon = line.find(':');
        check(colon != std::string::npos && colon > 0, what + ": a line without an attribute: " + quoted(line));
        const std::string name = line.substr(0, colon);
        check(std::all_of(name.begin(), name.end(),
                          [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }),
              what + ": an attribute name that is no name: " + quoted(line));
        std::string_view rest = std::string_view(line).substr(colon + 1);
        if (!rest.empty() && rest.front() == ':') {
            rest.remove_prefix(1);
            while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            const auto value = fromBase64(rest);
            check(value.has_value(), what + ": " + name + " is not base64: " + quoted(rest));
            attributes.emplace_back(name, *value);
            continue;
        }
        check(rest.empty() || rest.front() != '<', what + ": " + name + " names a URL");
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        // SAFE-STRING: ASCII without NUL, CR, LF; not starting with space, ":" or "<".
        check(rest.empty() || (rest.front() != ':' && rest.front() != '<'), what + ": " + name + " starts unsafely");
        check(std::all_of(rest.begin(), rest.end(), [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; }),
              what + ": " + name + " holds a byte a SAFE-STRING may not: " + quoted(rest));
        check(rest.empty() || rest.back() != ' ', what + ": " + name + " ends in a space, which readers drop");
        attributes.emplace_back(name, std::string(rest));
    }
    return attributes;
}

void checkLdif(const Contact& contact) {
    const auto attributes = readLdif(exporting::ldifEntry(contact, exporting::thunderbirdDn(contact)));
    const std::string what = "LDIF";
    check(!attributes.empty() && attributes.front().first == "dn" && !attributes.front().second.empty(),
          what + ": the entry does not start with its dn");
    std::multimap<std::string, std::string> values;
    for (const auto& [name, value] : attributes) values.emplace(name, value);
    const auto single = [&](const std::string& name, const std::string& expected) {
        const auto [from, to] = values.equal_range(name);
        const auto count = std::distance(from, to);
        check(count == (expected.empty() ? 0 : 1), what + ": " + name + " occurs " + std::to_string(count) + " times");
        if (count == 1)
            check(from->second == expected, what + ": " + name + " reads back as " + quoted(from->second) + ", not " +
                                               quoted(expected));
    };
    single("givenName", contact.name.given);
    single("sn", contact.name.family);
    single("cn", contact.formattedName);
    single("mozillaNickname", contact.nickname);
    single("mail", contact.emails.size() > 0 ? contact.emails[0].address : "");
    single("mozillaSecondEmail", contact.emails.size() > 1 ? contact.emails[1].address : "");
    single("title", contact.jobTitle);
    single("ou", contact.unit);
    single("o", contact.organization);
    for (const auto& page : contact.webPages)
        if (page.place == contact::Place::Work) {
            single("mozillaWorkUrl", page.url);
            break;
        }
    const auto [from, to] = values.equal_range("description");
    const std::string note = from == to ? "" : from->second;
    check(note.rfind(contact::noteText(contact), 0) == 0, what + ": the description does not start with the note");

    // Every other value stands in an attribute of its own or in a labelled line of the
    // description.
    const auto somewhere = [&](const std::string& value, const std::string& field) {
        if (value.empty()) return;
        bool found = contains(note, value);
        for (const auto& [name, v] : attributes) found = found || (name != "dn" && contains(v, value));
        check(found, what + ": the " + field + " " + quoted(value) + " is lost");
    };
    somewhere(contact.name.middle, "middle name");
    somewhere(contact.name.prefix, "name prefix");
    somewhere(contact.name.suffix, "name suffix");
    somewhere(contact.office, "office");
    for (const auto& email : contact.emails) somewhere(email.address, "e-mail address");
    for (const auto& phone : contact.phones) somewhere(phone.number, "phone number");
    for (const auto* address : {&contact.workAddress, &contact.homeAddress}) {
        if (!*address) continue;
        const auto& a = **address;
        // A street's lines may go to two attributes: each line is looked for.
        std::string_view street = a.street;
        while (!street.empty()) {
            const std::size_t end = std::min(street.find_first_of("\r\n"), street.size());
            somewhere(std::string(street.substr(0, end)), "street");
            street.remove_prefix(end);
            while (!street.empty() && (street.front() == '\r' || street.front() == '\n')) street.remove_prefix(1);
        }
        for (const std::string* part : {&a.city, &a.region, &a.postalCode, &a.country}) somewhere(*part, "address part");
    }
    somewhere(contact.birthday.text, "birthday");
    somewhere(contact.anniversary.text, "anniversary");
    for (const auto& person : contact.related) somewhere(person.name, "related person");
    for (const auto& category : contact.categories) somewhere(category, "category");
    for (const auto& file : contact.attachments) somewhere("Attachment: " + file.name(), "attachment");
    // A JPEG photo as jpegPhoto, its bytes those of the model; any other photo named.
    const bool jpeg = contact.photo && contact.photo->image == contact::ImageKind::Jpeg;
    single("jpegPhoto", jpeg ? bytesOf(*contact.photo) : "");
    if (contact.photo && !jpeg) somewhere("Photo: " + contact.photo->name(), "photo");
    if (const auto& date = contact.birthday.date) {
        single("birthyear", std::to_string(date->year));
        single("birthmonth", std::to_string(date->month));
        single("birthday", std::to_string(date->day));
    }
}

// ---- Outlook CSV (RFC 4180) ---------------------------------------------------------

// The records of a CSV text, every field quoted or not; a record ends in CR LF.
std::vector<std::vector<std::string>> readCsv(std::string_view text, const std::string& what) {
    std::vector<std::vector<std::string>> records;
    std::size_t i = 0;
    while (i < text.size()) {
        std::vector<std::string> fields(1);
        while (true) {
            std::string& field = fields.back();
            if (i < text.size() && text[i] == '"') {
                for (++i;; ++i) {
                    check(i < text.size(), what + ": a quoted field never ends");
                    if (text[i] != '"') field += text[i];
                    else if (i + 1 < text.size() && text[i + 1] == '"') field += text[i++];
                    else break;
                }
                ++i;
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\r') {
                    check(text[i] != '"' && text[i] != '\n', what + ": a quote or line break in an unquoted field");
                    field += text[i++];
                }
            }
            check(i < text.size(), what + ": the last record has no CR LF");
            if (text[i] == ',') {
                fields.emplace_back();
                ++i;
                continue;
            }
            check(text.substr(i, 2) == "\r\n", what + ": a field is followed by neither a comma nor CR LF");
            i += 2;
            break;
        }
        records.push_back(std::move(fields));
    }
    return records;
}

void checkOutlookCsv(const Contact& contact) {
    const std::string what = "Outlook CSV";
    std::string text = exporting::outlookCsvOpening();
    check(text.rfind("\xEF\xBB\xBF", 0) == 0, what + ": no byte order mark");
    text += exporting::outlookCsvRecord(contact);
    check(isUtf8(text), what + ": not valid UTF-8");
    const auto records = readCsv(std::string_view(text).substr(3), what);
    check(records.size() == 2, what + ": " + std::to_string(records.size()) + " records for a header and one contact");
    check(records[0].size() == 92 && records[1].size() == 92, what + ": records are not 92 fields long");
    std::map<std::string, std::string> field;
    for (std::size_t i = 0; i < 92; ++i) field[records[0][i]] = records[1][i];
    const auto expect = [&](const std::string& column, const std::string& value) {
        check(field[column] == value, what + ": " + column + " reads back as " + quoted(field[column]) + ", not " + quoted(value));
    };
    const contact::Name& n = contact.name;
    expect("Title", n.prefix);
    expect("Middle Name", n.middle);
    expect("Last Name", n.family);
    expect("Suffix", n.suffix);
    if (!n.given.empty()) expect("First Name", n.given);
    expect("Company", contact.organization);
    expect("Department", contact.unit);
    expect("Job Title", contact.jobTitle);
    expect("Office Location", contact.office);
    expect("Web Page", contact.webPages.empty() ? std::string() : contact.webPages.front().url);
    for (const auto& [address, prefix] : {std::pair{&contact.workAddress, "Business"}, std::pair{&contact.homeAddress, "Home"}}) {
        const contact::Address a = address->value_or(contact::Address{});
        expect(std::string(prefix) + " Street", a.street);
        expect(std::string(prefix) + " City", a.city);
        expect(std::string(prefix) + " State", a.region);
        expect(std::string(prefix) + " Postal Code", a.postalCode);
        expect(std::string(prefix) + " Country/Region", a.country);
    }
    const char* emailColumns[] = {"E-mail Address", "E-mail 2 Address", "E-mail 3 Address"};
    for (std::size_t i = 0; i < 3; ++i) expect(emailColumns[i], i < contact.emails.size() ? contact.emails[i].address : "");
    const std::string& notes = field["Notes"];
    check(notes.rfind(contact::noteText(contact), 0) == 0, what + ": Notes does not start with the note");
    const auto somewhere = [&](const std::string& value, const std::string& name) {
        if (value.empty()) return;
        bool found = false;
        for (const auto& [column, v] : field) found = found || contains(v, value);
        check(found, what + ": the " + name + " " + quoted(value) + " is lost");
    };
    somewhere(contact.nickname, "nickname");
    // A formatted name made of the name's parts is those parts; one known only as a whole is kept.
    // A name made up for a contact without one ("Contact N", its phone) is no value of its own.
    if (n.given.empty() && n.middle.empty() && n.family.empty() && !contact.formattedNameMadeUp)
        somewhere(contact.formattedName, "formatted name");
    for (const auto& email : contact.emails) somewhere(email.address, "e-mail address");
    for (const auto& phone : contact.phones) somewhere(phone.number, "phone number");
    somewhere(contact.birthday.text, "birthday");
    somewhere(contact.anniversary.text, "anniversary");
    for (const auto& person : contact.related) somewhere(person.name, "related person");
    for (const auto& category : contact.categories) somewhere(category, "category");
    if (contact.photo) somewhere("Photo: " + contact.photo->name(), "photo");
    for (const auto& file : contact.attachments) somewhere("Attachment: " + file.name(), "attachment");
}

// ---- the model itself ------------------------------------------------------------------

void checkModel(const Contact& contact) {
    const std::string& uid = contact.uid;
    bool uuid = uid.size() == 36;
    for (std::size_t i = 0; uuid && i < uid.size(); ++i)
        uuid = (i == 8 || i == 13 || i == 18 || i == 23) ? uid[i] == '-'
                                                         : (uid[i] >= '0' && uid[i] <= '9') || (uid[i] >= 'a' && uid[i] <= 'f');
    check(uuid, "the uid " + quoted(uid) + " is no lower-case UUID");
    const bool hasName = !contact.name.given.empty() || !contact.name.middle.empty() || !contact.name.family.empty();
    check(contact.formattedName.empty() == false || (!hasName && contact.organization.empty() && contact.emails.empty()),
          "a contact with a name, a company or an e-mail address has no formatted name");
    for (std::size_t i = 0; i < contact.emails.size(); ++i) {
        check(!contact.emails[i].address.empty(), "an empty e-mail address");
        for (std::size_t k = 0; k < i; ++k)
            check(upper(contact.emails[k].address) != upper(contact.emails[i].address), "an e-mail address repeated");
    }
    for (const auto* address : {&contact.workAddress, &contact.homeAddress})
        if (*address)
            check(!((*address)->street.empty() && (*address)->city.empty() && (*address)->region.empty() &&
                    (*address)->postalCode.empty() && (*address)->country.empty()),
                  "an address without any part");
}

} // namespace

int importersTarget(const std::uint8_t* data, std::size_t size) {
    const notes::ContactDocument doc = documentOf(std::string_view(reinterpret_cast<const char*>(data), size));
    const Contact contact = contact::contactFromDocument(doc, 1);
    checkModel(contact);
    VcardCheck(contact, VcardVersion::V3).run();
    VcardCheck(contact, VcardVersion::V4).run();
    checkLdif(contact);
    checkOutlookCsv(contact);
    return 0;
}

} // namespace brenmoor::fuzz
