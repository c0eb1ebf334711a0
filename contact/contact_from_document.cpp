// Building the contact of a document, one group of fields at a time.
#include "contact/contact_from_document.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <utility>

#include "contact/contact_uid.h"
#include "notes/dxl_datetime.h"
#include "text/text_bytes.h"

namespace brenmoor::contact {

namespace {

using notes::ContactDocument;
using notes::ContactItem;

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kEmptyLine = "\r\n\r\n";
constexpr std::string_view kValueSeparator = ", ";

using text::trimmed;

bool isBlank(std::string_view text) { return trimmed(text).empty(); }

// The UTF-8 sequences of a control character that no reader of the formats takes: C0
// but tab, LF and CR; DEL; C1. U+2028 and U+2029 (line and paragraph separators) become
// line breaks, which the formats write as theirs.
std::size_t controlLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(at);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return 1;
    if (c == 0xC2 && at + 1 < text.size() && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F) return 2;
    return 0;
}

bool isLineSeparator(std::string_view text, std::size_t at) {
    return at + 2 < text.size() && static_cast<unsigned char>(text[at]) == 0xE2 &&
           static_cast<unsigned char>(text[at + 1]) == 0x80 &&
           (static_cast<unsigned char>(text[at + 2]) == 0xA8 || static_cast<unsigned char>(text[at + 2]) == 0xA9);
}

bool hasControls(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at)
        if (controlLength(text, at) != 0 || isLineSeparator(text, at)) return true;
    return false;
}

// Hands each the runs of text between its control characters, and CR LF for each line
// or paragraph separator; returns how many control characters it left out.
template <typename Each> std::int64_t forEachCleanRun(std::string_view text, Each each) {
    std::int64_t leftOut = 0;
    std::size_t start = 0, at = 0;
    while (at < text.size()) {
        const std::size_t length = controlLength(text, at);
        const bool separator = length == 0 && isLineSeparator(text, at);
        if (length == 0 && !separator) {
            ++at;
            continue;
        }
        if (at > start) each(text.substr(start, at - start));
        if (separator) {
            each(kLineBreak);
            at += 3;
        } else {
            ++leftOut;
            at += length;
        }
        start = at;
    }
    if (at > start) each(text.substr(start));
    return leftOut;
}

// Leaves out the control characters of text, in place; returns how many.
std::int64_t leaveOutControls(std::string& text) {
    std::size_t kept = 0;
    const std::int64_t leftOut = forEachCleanRun(text, [&](std::string_view run) {
        // A run never starts before the place it is kept at (a separator's three bytes
        // become two).
        if (run.data() != text.data() + kept) std::memmove(text.data() + kept, run.data(), run.size());
        kept += run.size();
    });
    text.resize(kept);
    return leftOut;
}

// The document's catalogue items, with the readings the fields need.
class Items {
public:
    // handedOver: the same document where the reader may take values out of it.
    explicit Items(const ContactDocument& doc, ContactDocument* handedOver = nullptr)
        : doc_(doc), handedOver_(handedOver) {}

    // The control characters the readings below left out so far.
    std::int64_t leftOut() const { return leftOut_; }

    bool has(ContactItem item) const { return value(item) != nullptr; }

    // Every value of the item as text, joined by separator, into out (its storage
    // reused), without control characters.
    void join(ContactItem item, std::string& out, std::string_view separator = kValueSeparator) const {
        joinAsWritten(item, out, separator);
        leftOut_ += leaveOutControls(out);
    }
    // As join; but where the document is handed over and the item holds text, its values
    // move into out instead of being copied, which leaves the item empty. For long texts
    // read once; their control characters are kept.
    void take(ContactItem item, std::string& out, std::string_view separator) const {
        const notes::ItemValue* found = value(item);
        if (!handedOver_ || !found || !isText(*found)) return joinAsWritten(item, out, separator);
        notes::ItemValue taken = handedOver_->takeValue(item);
        out = std::move(taken.text);
        if (taken.more.empty()) return;
        std::size_t size = out.size();
        for (const std::string& more : taken.more) size += separator.size() + more.size();
        out.reserve(size);
        for (std::string& more : taken.more) {
            out += separator;
            out += more;
            std::string().swap(more);
        }
    }

    // Calls each(value) for every value of the item that is not blank once its control
    // characters are left out.
    template <typename Each> void forEachValue(ContactItem item, Each each) const {
        const auto give = [&](std::string_view value) {
            if (!hasControls(value)) {
                if (!isBlank(value)) each(value);
                return;
            }
            std::string clean(value);
            leftOut_ += leaveOutControls(clean);
            if (!isBlank(clean)) each(std::string_view(clean));
        };
        const notes::ItemValue* found = value(item);
        if (!found || found->kind == notes::ItemValue::Kind::Empty) return;
        if (isText(*found)) {
            give(found->text);
            for (const std::string& more : found->more) give(more);
            return;
        }
        for (const std::string& text : doc_.itemTexts(item)) give(text);
    }

    const ContactDocument& document() const { return doc_; }

private:
    static bool isText(const notes::ItemValue& value) {
        return value.kind == notes::ItemValue::Kind::Text || value.kind == notes::ItemValue::Kind::RichText;
    }
    const notes::ItemValue* value(ContactItem item) const { return doc_.find(item); }

    void joinAsWritten(ContactItem item, std::string& out, std::string_view separator) const {
        out.clear();
        const notes::ItemValue* found = value(item);
        if (!found || found->kind == notes::ItemValue::Kind::Empty) return;
        if (isText(*found)) {
            out += found->text;
            for (const std::string& more : found->more) {
                out += separator;
                out += more;
            }
            return;
        }
        for (const std::string& each : doc_.itemTexts(item)) {
            if (!out.empty()) out += separator;
            out += each;
        }
    }

    const ContactDocument& doc_;
    ContactDocument* handedOver_;
    mutable std::int64_t leftOut_ = 0;
};

// The zone of a DXL date-time in minutes east of UTC ("-04" is -240, "+0530" 330, "Z" 0);
// nothing where the text records none.
std::optional<int> zoneMinutes(std::string_view written) {
    written = trimmed(written);
    const std::size_t clock = written.find('T');
    if (clock == std::string_view::npos) return std::nullopt;
    const std::size_t at = written.find_first_of("+-Z", clock);
    if (at == std::string_view::npos) return std::nullopt;
    if (written[at] == 'Z') return 0;
    const std::string_view digits = written.substr(at + 1);
    if (digits.size() != 2 && digits.size() != 4) return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    const int minutes = digits.size() == 2 ? value * 60 : (value / 100) * 60 + value % 100;
    return written[at] == '-' ? -minutes : minutes;
}

std::optional<Timestamp> revisionOf(std::string_view modified) {
    const auto parsed = notes::parseDxlDateTime(modified);
    if (!parsed || !parsed->hasDate) return std::nullopt;
    Timestamp stamp{parsed->year, parsed->month, parsed->day, parsed->hour, parsed->minute, parsed->second, false};
    const std::optional<int> zone = parsed->hasTime ? zoneMinutes(modified) : std::nullopt;
    if (!zone) return stamp;

    using namespace std::chrono;
    const sys_days day = year_month_day{year{stamp.year}, month{static_cast<unsigned>(stamp.month)},
                                        std::chrono::day{static_cast<unsigned>(stamp.day)}};
    const sys_seconds utc = day + hours{stamp.hour} + minutes{stamp.minute} + seconds{stamp.second} - minutes{*zone};
    const sys_days utcDay = floor<days>(utc);
    const year_month_day date{utcDay};
    // Formats write years of four digits: a moment outside them stays text.
    if (date.year() < year{1} || date.year() > year{9999}) return std::nullopt;
    const hh_mm_ss clock{utc - utcDay};
    return Timestamp{static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                     static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(clock.hours().count()),
                     static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()), true};
}

// leftOut: counts the control characters left out of the name taken from the full name.
void readFormattedName(const Items& items, Contact& contact, std::int64_t position, std::int64_t& leftOut) {
    std::string& name = contact.formattedName;
    name = joinedName(contact.name);
    if (name.empty() && items.has(ContactItem::FullName)) {
        name = commonName(items.document().itemText(ContactItem::FullName));
        leftOut += leaveOutControls(name);
        name = std::string(trimmed(name));
    }
    if (name.empty()) name = contact.organization;
    if (name.empty() && !contact.emails.empty()) name = contact.emails.front();
    contact.formattedNameMadeUp = name.empty();
    if (!name.empty()) return;
    name = contact.phones.empty() ? "Contact " + std::to_string(position) : contact.phones.front().number;
}

// The texts the note is made of, in order, before their control characters are left out.
template <typename Each> void forEachNoteText(const Contact& c, Each each) {
    if (isBlank(c.briefcase)) {
        each(std::string_view(c.comment));
        return;
    }
    each(std::string_view(c.briefcase));
    if (c.comment.empty()) return;
    each(kEmptyLine);
    each(std::string_view(c.comment));
}

// The control characters the note leaves out.
std::int64_t noteControls(const Contact& c) {
    std::int64_t n = 0;
    forEachNoteText(c, [&](std::string_view text) { n += forEachCleanRun(text, [](std::string_view) {}); });
    return n;
}

// Addresses compare without regard to the case of ASCII letters (domains never have it,
// and mail systems ignore it in the local part).
bool sameAddress(std::string_view a, std::string_view b) {
    return text::equalsIgnoringCase(a, b);
}

void readEmails(const Items& items, std::vector<std::string>& emails) {
    emails.clear();
    for (ContactItem item : {ContactItem::MailAddress, ContactItem::MiscPhone1, ContactItem::MiscPhone2,
                             ContactItem::MiscPhone3}) {
        items.forEachValue(item, [&](std::string_view value) {
            const std::string_view address = trimmed(value);
            bool repeated = false;
            for (const std::string& earlier : emails) repeated = repeated || sameAddress(earlier, address);
            if (!repeated) emails.emplace_back(address);
        });
    }
}

void readPhones(const Items& items, std::vector<Phone>& phones) {
    static constexpr std::pair<ContactItem, PhoneKind> kPhones[] = {
        {ContactItem::OfficePhoneNumber, PhoneKind::WorkVoice}, {ContactItem::OfficeFaxPhoneNumber, PhoneKind::WorkFax},
        {ContactItem::CellPhoneNumber, PhoneKind::WorkCell},    {ContactItem::PhoneNumber_6, PhoneKind::WorkPager},
        {ContactItem::PhoneNumber, PhoneKind::HomeVoice},       {ContactItem::HomeFaxPhoneNumber, PhoneKind::HomeFax},
        {ContactItem::PersPager, PhoneKind::PersonalCell},
    };
    phones.clear();
    for (const auto& [item, kind] : kPhones)
        items.forEachValue(item, [&, kind = kind](std::string_view number) { phones.push_back({kind, std::string(number)}); });
}

void readAddress(const Items& items, std::optional<Address>& address, ContactItem street, ContactItem city,
                 ContactItem region, ContactItem postalCode, ContactItem country) {
    if (!items.has(street) && !items.has(city) && !items.has(region) && !items.has(postalCode) && !items.has(country)) {
        address.reset();
        return;
    }
    if (!address) address.emplace();
    items.join(street, address->street, kLineBreak);
    items.join(city, address->city);
    items.join(region, address->region);
    items.join(postalCode, address->postalCode);
    items.join(country, address->country);
    if (address->street.empty() && address->city.empty() && address->region.empty() && address->postalCode.empty() &&
        address->country.empty())
        address.reset();
}

void readDateOrText(const Items& items, ContactItem item, DateOrText& value) {
    value.date.reset();
    value.text.clear();
    if (!items.has(item)) return;
    if ((value.date = items.document().itemDate(item))) return;
    items.join(item, value.text);
    if (isBlank(value.text)) value.text.clear();
}

void readRelated(const Items& items, std::vector<Related>& related) {
    static constexpr std::pair<ContactItem, Relation> kRelated[] = {
        {ContactItem::Spouse, Relation::Spouse},
        {ContactItem::Children, Relation::Child},
        {ContactItem::Manager, Relation::Manager},
        {ContactItem::Assistant, Relation::Assistant},
    };
    related.clear();
    for (const auto& [item, relation] : kRelated)
        items.forEachValue(item, [&, relation = relation](std::string_view name) {
            related.push_back({relation, std::string(name)});
        });
}

void readNote(const Items& items, Contact& contact) {
    items.take(ContactItem::Comment, contact.comment, kLineBreak);
    items.take(ContactItem::Briefcase, contact.briefcase, kLineBreak);
}

void readCategories(const Items& items, std::vector<std::string>& categories) {
    categories.clear();
    items.forEachValue(ContactItem::Categories,
                       [&](std::string_view value) { categories.emplace_back(value); });
    if (categories.size() != 1 || categories.front().find_first_of(",;") == std::string::npos) return;
    const std::string lone = std::move(categories.front());
    splitCategories(lone, categories);
}

void readStoreFields(const Items& items, Contact::StoreFields& store) {
    const ContactDocument& doc = items.document();
    store.fullName = doc.itemText(ContactItem::FullName);
    store.emailDisplayName = doc.itemText(ContactItem::NameDisplayPref);
    store.personalHomePage = doc.itemText(ContactItem::MailDomain);
    splitCategories(doc.itemText(ContactItem::Categories), store.categories);
}

void read(const ContactDocument& doc, ContactDocument* handedOver, Contact& contact, std::int64_t position) {
    const Items items(doc, handedOver);
    contact.uid = contactUid(doc, position);
    contact.revision = revisionOf(doc.noteInfo().modified);
    contact.revisionText.clear();
    if (!contact.revision && notes::parseDxlDateTime(doc.noteInfo().modified))
        contact.revisionText = trimmed(doc.noteInfo().modified);

    items.join(ContactItem::Title, contact.name.prefix);
    items.join(ContactItem::FirstName, contact.name.given);
    items.join(ContactItem::MiddleInitial, contact.name.middle);
    items.join(ContactItem::LastName, contact.name.family);
    items.join(ContactItem::Suffix, contact.name.suffix);
    items.join(ContactItem::ShortName, contact.nickname);
    items.join(ContactItem::CompanyName, contact.organization);
    items.join(ContactItem::Department, contact.unit);
    items.join(ContactItem::JobTitle, contact.jobTitle);
    items.join(ContactItem::Location, contact.office);
    items.join(ContactItem::WebSite, contact.webPage);

    readEmails(items, contact.emails);
    readPhones(items, contact.phones);
    readAddress(items, contact.workAddress, ContactItem::OfficeStreetAddress, ContactItem::OfficeCity,
                ContactItem::OfficeState, ContactItem::OfficeZip, ContactItem::OfficeCountry);
    readAddress(items, contact.homeAddress, ContactItem::StreetAddress, ContactItem::City, ContactItem::State,
                ContactItem::Zip, ContactItem::Country);

    readDateOrText(items, ContactItem::Birthday, contact.birthday);
    readDateOrText(items, ContactItem::Anniversary, contact.anniversary);
    readRelated(items, contact.related);
    readNote(items, contact);
    readCategories(items, contact.categories);
    readStoreFields(items, contact.store);

    std::int64_t nameLeftOut = 0;
    readFormattedName(items, contact, position, nameLeftOut);
    contact.leftOutCharacters = items.leftOut() + noteControls(contact) + nameLeftOut;
}

} // namespace

void forEachNotePiece(const Contact& contact, const std::function<void(std::string_view)>& each) {
    forEachNoteText(contact, [&](std::string_view text) { forEachCleanRun(text, each); });
}

std::string noteText(const Contact& contact) {
    std::string note;
    forEachNotePiece(contact, [&](std::string_view piece) { note += piece; });
    return note;
}

bool hasNote(const Contact& contact) {
    bool any = false;
    forEachNoteText(contact, [&](std::string_view text) {
        for (std::size_t at = 0; !any && at < text.size();) {
            const std::size_t length = controlLength(text, at);
            any = length == 0;
            at += length;
        }
    });
    return any;
}

std::string joinedName(const Name& name) {
    std::string joined;
    for (const std::string* part : {&name.given, &name.middle, &name.family}) {
        if (part->empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += *part;
    }
    return joined;
}

void splitCategories(std::string_view text, std::vector<std::string>& categories) {
    categories.clear();
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of(",;"), text.size());
        if (const std::string_view category = trimmed(text.substr(0, end)); !category.empty())
            categories.emplace_back(category);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

StoreNames storeNames(const Contact& contact) {
    StoreNames names;
    names.displayName = contact.store.fullName;
    if (names.displayName.empty()) names.displayName = joinedName(contact.name);
    if (names.displayName.empty()) names.displayName = contact.organization;

    const Name& name = contact.name;
    std::string given = name.given;
    if (!name.middle.empty()) given += (given.empty() ? "" : " ") + name.middle;
    if (!name.family.empty() || !given.empty()) {
        names.fileAs = name.family.empty() ? given : given.empty() ? name.family : name.family + ", " + given;
        names.rule = StoreNames::FileAs::FamilyGivenMiddle;
    } else if (!contact.organization.empty()) {
        names.fileAs = contact.organization;
        names.rule = StoreNames::FileAs::Organization;
    } else if (!names.displayName.empty()) {
        names.fileAs = names.displayName;
        names.rule = StoreNames::FileAs::DisplayName;
    }
    return names;
}

std::string commonName(std::string_view userName) {
    std::string_view name = trimmed(userName);
    name = trimmed(name.substr(0, name.find('/')));
    if (name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'N' || name[1] == 'n') && name[2] == '=')
        name = trimmed(name.substr(3));
    return std::string(name);
}

void readContact(const ContactDocument& doc, Contact& contact, std::int64_t position) {
    read(doc, nullptr, contact, position);
}

void readContact(ContactDocument&& doc, Contact& contact, std::int64_t position) {
    read(doc, &doc, contact, position);
}

std::vector<std::string> emailAddresses(const ContactDocument& doc) {
    std::vector<std::string> emails;
    readEmails(Items(doc), emails);
    return emails;
}

Contact contactFromDocument(const ContactDocument& doc, std::int64_t position) {
    Contact contact;
    readContact(doc, contact, position);
    return contact;
}

} // namespace brenmoor::contact
