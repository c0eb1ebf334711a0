// Building the contact of a document, one group of fields at a time.
#include "contact/contact_from_document.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <utility>

#include <QString>

#include "contact/contact_uid.h"
#include "contact/item_kinds.h"
#include "contact/mail_address.h"
#include "notes/dxl_datetime.h"
#include "notes/user_name.h"
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

// The start of a value that a name made of it takes (all of it but an absurdly long one).
std::string_view namePart(std::string_view value) { return text::cutBefore(value, text::kDerivedNameLimit); }
// A name made of parts, cut to the length of such names.
void cutName(std::string& name) { name.resize(namePart(name).size()); }

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

// The bytes that may begin a control character or a line separator; most values hold none.
constexpr std::array<bool, 256> kSuspectByte = [] {
    std::array<bool, 256> suspect{};
    for (int c = 0; c < 0x20; ++c) suspect[c] = c != '\t' && c != '\n' && c != '\r';
    suspect[0x7F] = suspect[0xC2] = suspect[0xE2] = true;
    return suspect;
}();

// True where text holds a character that is neither white space nor a control character.
bool holdsText(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = controlLength(text, at);
        if (length == 0 && !text::isWhiteSpace(text[at])) return true;
        at += std::max<std::size_t>(length, 1);
    }
    return false;
}

// The first position at or after at whose byte may begin a control character or a
// line separator; the text's size where none does.
// GCC's -O3 makes a copy of it for a four-byte constant text and warns of the eight-byte
// reads that copy never makes (the loop does not run for fewer than eight bytes).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
std::size_t nextSuspect(std::string_view text, std::size_t at) {
    const auto suspect = [&](std::size_t i) { return kSuspectByte[static_cast<unsigned char>(text[i])]; };
    // Eight bytes at a time past plain ASCII text: none below 0x20, none 0x7F, none above.
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    while (at + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        const std::uint64_t belowSpace = (word - 0x20 * kOnes) & ~word;
        const std::uint64_t del = ((word ^ 0x7F * kOnes) - kOnes) & ~(word ^ 0x7F * kOnes);
        if (((belowSpace | del | word) & kHighs) == 0) {
            at += 8;
            continue;
        }
        for (const std::size_t end = at + 8; at < end; ++at)
            if (suspect(at)) return at;
    }
    for (; at < text.size(); ++at)
        if (suspect(at)) return at;
    return text.size();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool hasControls(std::string_view text) {
    for (std::size_t at = nextSuspect(text, 0); at < text.size(); at = nextSuspect(text, at + 1))
        if (controlLength(text, at) != 0 || isLineSeparator(text, at)) return true;
    return false;
}

// Hands each the runs of text between its control characters, and CR LF for each line
// or paragraph separator; returns how many control characters it left out.
template <typename Each> std::int64_t forEachCleanRun(std::string_view text, Each each) {
    std::int64_t leftOut = 0;
    std::size_t start = 0, at = 0;
    while ((at = nextSuspect(text, at)) < text.size()) {
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
    if (!hasControls(text)) return 0;
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

// The items the model reads beyond the catalogue's: those of the current contacts
// template and of a Domino Directory's Person documents.
enum class Further : std::size_t {
    InternetAddress, Work0Email, Work1Email, Work2Email, Work3Email, HomeEmail, OtherEmail, SchoolEmail,
    MobileEmail, AssistantPhone, Assistant2Phone, CarPhone, Work2Phone, Work3Phone, Home2Phone, Home3Phone,
    WorkFax2Phone, OtherPhone, OtherFaxPhone, PrimaryPhoneNumber, HomeURL, Work2URL, Work3URL, OtherURL,
    SametimeLogin, Confidential, AltFullName, AltFullNameLanguage,
};
constexpr std::string_view kFurtherNames[] = {
    "InternetAddress", "Work0Email", "work1email", "work2email", "Work3Email", "HomeEmail", "OtherEmail",
    "SchoolEmail", "mobileEmail", "AssistantPhone", "Assistant2Phone", "CarPhone", "Work2Phone", "Work3Phone",
    "Home2Phone", "Home3Phone", "WorkFax2Phone", "OtherPhone", "OtherFaxPhone", "primaryPhoneNumber", "HomeURL",
    "Work2URL", "Work3URL", "OtherURL", "SametimeLogin", "Confidential", "AltFullName", "AltFullNameLanguage",
};
constexpr std::size_t kFurtherCount = std::size(kFurtherNames);
static_assert(static_cast<std::size_t>(Further::AltFullNameLanguage) + 1 == kFurtherCount);

std::optional<Further> furtherItem(std::string_view name) {
    for (std::size_t i = 0; i < kFurtherCount; ++i)
        if (text::equalsIgnoringCase(name, kFurtherNames[i])) return static_cast<Further>(i);
    return std::nullopt;
}

// One item of the document: its value and its name as the document spells it.
struct Source {
    const notes::ItemValue* value = nullptr;
    std::string_view name;
};

// The document's items, with the readings the fields need: the catalogue's, the further
// ones found in one pass, and the user's items no field takes.
class Items {
public:
    // handedOver: the same document where the reader may take values out of it.
    explicit Items(const ContactDocument& doc, ContactDocument* handedOver = nullptr)
        : doc_(doc), handedOver_(handedOver) {
        const auto& items = doc.items();
        for (std::size_t i = 0; i < items.size(); ++i) {
            // The catalogue's items that no field takes are bookkeeping or secrets.
            if (doc.isCatalogued(i)) continue;
            const auto& [name, value] = items[i];
            if (const std::optional<Further> further = furtherItem(name)) {
                Source& found = further_[static_cast<std::size_t>(*further)];
                if (!found.value) found = {&value, name};
                continue;
            }
            if (isUserItem(name) && !seenOther(name)) others_.push_back({&value, name});
        }
    }

    // The control characters the readings below left out so far.
    std::int64_t leftOut() const { return leftOut_; }

    Source source(ContactItem item) const { return {doc_.find(item), notesName(item)}; }
    Source source(Further item) const { return further_[static_cast<std::size_t>(item)]; }
    // The user's items no field of the model takes, in the document's order.
    const std::vector<Source>& others() const { return others_; }

    template <typename Item> bool has(Item item) const { return source(item).value != nullptr; }

    // Every value of the item as text, joined by separator, into out (its storage
    // reused), without control characters; nothing where that is blank, as no format
    // gives a value of white space alone a field.
    template <typename Item> void join(Item item, std::string& out, std::string_view separator = kValueSeparator) const {
        const Source found = source(item);
        const bool blank = severalBlank(found);
        joinAsWritten(found, out, separator);
        leftOut_ += leaveOutControls(out);
        if (isBlank(out) || blank) out.clear();
    }
    // As join; but where the document is handed over, the values move into out (as take
    // moves them), so that a long one is held once. For items no other reading needs.
    void joinTaking(ContactItem item, std::string& out) const {
        const Source found = source(item);
        if (!handedOver_ || !found.value || !isText(*found.value)) return join(item, out);
        const bool blank = severalBlank(found);
        take(item, out, kValueSeparator);
        leftOut_ += leaveOutControls(out);
        if (isBlank(out) || blank) out.clear();
    }
    template <typename Item> std::string joined(Item item, std::string_view separator = kValueSeparator) const {
        std::string text;
        join(item, text, separator);
        return text;
    }
    // As join; but where the document is handed over and the item holds text, its values
    // move into out instead of being copied, which leaves the item empty. For long texts
    // read once; their control characters are kept.
    void take(ContactItem item, std::string& out, std::string_view separator) const {
        const notes::ItemValue* found = doc_.find(item);
        if (!handedOver_ || !found || !isText(*found)) return joinAsWritten(source(item), out, separator);
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
    template <typename Item, typename Each> void forEachValue(Item item, Each each) const {
        forEachValue(source(item), each);
    }
    template <typename Each> void forEachValue(Source found, Each each) const {
        const auto give = [&](std::string_view value) {
            if (!hasControls(value)) {
                if (!isBlank(value)) each(value);
                return;
            }
            std::string clean(value);
            leftOut_ += leaveOutControls(clean);
            if (!isBlank(clean)) each(std::string_view(clean));
        };
        if (!found.value || found.value->kind == notes::ItemValue::Kind::Empty) return;
        if (isText(*found.value)) {
            give(found.value->text);
            for (const std::string& more : found.value->more) give(more);
            return;
        }
        for (const std::string& text : doc_.itemTexts(found.name)) give(text);
    }

    const ContactDocument& document() const { return doc_; }

private:
    static bool isText(const notes::ItemValue& value) {
        return value.kind == notes::ItemValue::Kind::Text || value.kind == notes::ItemValue::Kind::RichText;
    }
    // Several values are blank together where none holds text, their separators aside.
    static bool severalBlank(Source found) {
        return found.value && isText(*found.value) && !found.value->more.empty() && !holdsText(found.value->text) &&
               std::none_of(found.value->more.begin(), found.value->more.end(),
                            [](const std::string& more) { return holdsText(more); });
    }
    // Where a document has two items of one name, the first counts.
    bool seenOther(std::string_view name) const {
        for (const Source& other : others_)
            if (text::equalsIgnoringCase(other.name, name)) return true;
        return false;
    }

    void joinAsWritten(Source found, std::string& out, std::string_view separator) const {
        out.clear();
        if (!found.value || found.value->kind == notes::ItemValue::Kind::Empty) return;
        if (isText(*found.value)) {
            out += found.value->text;
            for (const std::string& more : found.value->more) {
                out += separator;
                out += more;
            }
            return;
        }
        for (const std::string& each : doc_.itemTexts(found.name)) {
            if (!out.empty()) out += separator;
            out += each;
        }
    }

    const ContactDocument& doc_;
    ContactDocument* handedOver_;
    mutable std::int64_t leftOut_ = 0;
    std::array<Source, kFurtherCount> further_{};
    std::vector<Source> others_;
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

// The common name of the full name's first value, else the joined name, else the
// company, else the first e-mail address; made up where there is none of these.
void readFormattedName(const Items& items, Contact& contact, std::int64_t position) {
    std::string& name = contact.formattedName;
    name.clear();
    items.forEachValue(ContactItem::FullName, [&](std::string_view value) {
        if (name.empty()) name = commonName(namePart(value));
    });
    if (name.empty()) name = joinedName(contact.name);
    if (name.empty()) name = namePart(contact.organization);
    if (name.empty() && !contact.emails.empty()) name = namePart(contact.emails.front().address);
    contact.formattedNameMadeUp = name.empty();
    if (!name.empty()) return;
    name = contact.phones.empty() ? "Contact " + std::to_string(position) : namePart(contact.phones.front().number);
}

// The texts the note is made of, in order, before their control characters are left out.
// A blank one is left out.
template <typename Each> void forEachNoteText(const Contact& c, Each each) {
    if (isBlank(c.briefcase)) {
        if (!isBlank(c.comment)) each(std::string_view(c.comment));
        return;
    }
    each(std::string_view(c.briefcase));
    if (isBlank(c.comment)) return;
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

// The e-mail items in order of preference: InternetAddress before MailAddress (in a
// Domino Directory, MailAddress is where mail is forwarded to), the work ones, home,
// then the others.
void readEmails(const Items& items, Contact& contact) {
    using Slot = std::pair<Source, Place>;
    const Slot emailSlots[] = {
        {items.source(Further::InternetAddress), Place::Work}, {items.source(ContactItem::MailAddress), Place::Work},
        {items.source(Further::Work0Email), Place::Work},      {items.source(Further::Work1Email), Place::Work},
        {items.source(Further::Work2Email), Place::Work},      {items.source(Further::Work3Email), Place::Work},
        {items.source(Further::HomeEmail), Place::Home},       {items.source(Further::OtherEmail), Place::Other},
        {items.source(Further::SchoolEmail), Place::Other},    {items.source(Further::MobileEmail), Place::Other},
        {items.source(ContactItem::MiscPhone1), Place::Other}, {items.source(ContactItem::MiscPhone2), Place::Other},
        {items.source(ContactItem::MiscPhone3), Place::Other},
    };
    contact.emails.clear();
    contact.notesMailAddress.clear();
    const Source mailAddress = items.source(ContactItem::MailAddress);
    std::vector<std::string> notesAddresses;
    for (const auto& [source, place] : emailSlots) {
        std::string unread; // the values that are no address at all
        items.forEachValue(source, [&, source = source, place = place](std::string_view value) {
            MailAddress parsed = parseMailAddress(value, source.value == mailAddress.value);
            if (parsed.kind == MailAddress::Kind::Notes) {
                const std::string shown = notes::shownName(parsed.address);
                bool repeated = false;
                for (std::string_view earlier : notesAddresses) repeated = repeated || sameAddress(earlier, shown);
                if (repeated) return;
                notesAddresses.push_back(shown);
                if (!contact.notesMailAddress.empty()) contact.notesMailAddress += kValueSeparator;
                contact.notesMailAddress += shown;
                return;
            }
            if (parsed.kind == MailAddress::Kind::Neither) {
                if (!unread.empty()) unread += kValueSeparator;
                unread += trimmed(value);
                return;
            }
            bool repeated = false;
            for (const Email& earlier : contact.emails) repeated = repeated || sameAddress(earlier.address, parsed.address);
            if (!repeated) contact.emails.push_back({place, std::move(parsed.address), std::move(parsed.displayName)});
        });
        if (!unread.empty()) contact.otherFields.push_back({std::string(source.name), std::move(unread)});
    }
}

// Where a kind has several items, they follow in the order of the numbers on the form.
void readPhones(const Items& items, std::vector<Phone>& phones) {
    const std::pair<Source, PhoneKind> sources[] = {
        {items.source(ContactItem::OfficePhoneNumber), PhoneKind::WorkVoice},
        {items.source(Further::Work2Phone), PhoneKind::WorkVoice},
        {items.source(Further::Work3Phone), PhoneKind::WorkVoice},
        {items.source(ContactItem::OfficeFaxPhoneNumber), PhoneKind::WorkFax},
        {items.source(Further::WorkFax2Phone), PhoneKind::WorkFax},
        {items.source(ContactItem::CellPhoneNumber), PhoneKind::WorkCell},
        {items.source(ContactItem::PhoneNumber_6), PhoneKind::WorkPager},
        {items.source(ContactItem::PhoneNumber), PhoneKind::HomeVoice},
        {items.source(Further::Home2Phone), PhoneKind::HomeVoice},
        {items.source(Further::Home3Phone), PhoneKind::HomeVoice},
        {items.source(ContactItem::HomeFaxPhoneNumber), PhoneKind::HomeFax},
        {items.source(ContactItem::PersPager), PhoneKind::PersonalCell},
        {items.source(Further::AssistantPhone), PhoneKind::Assistant},
        {items.source(Further::Assistant2Phone), PhoneKind::Assistant},
        {items.source(Further::CarPhone), PhoneKind::Car},
        {items.source(Further::OtherPhone), PhoneKind::OtherVoice},
        {items.source(Further::OtherFaxPhone), PhoneKind::OtherFax},
    };
    // primaryPhoneNumber names the preferred number's item ("OfficePhoneNumber"), or
    // holds the number itself.
    const std::string primary(trimmed(items.joined(Further::PrimaryPhoneNumber)));
    phones.clear();
    bool preferredFound = false;
    for (const auto& [source, kind] : sources)
        items.forEachValue(source, [&, kind = kind, source = source](std::string_view number) {
            const bool preferred = !preferredFound && !primary.empty() &&
                                   (text::equalsIgnoringCase(primary, source.name) || trimmed(number) == primary);
            preferredFound = preferredFound || preferred;
            phones.push_back({kind, std::string(number), preferred});
        });
}

void readWebPages(const Items& items, std::vector<WebPage>& pages) {
    const std::pair<Source, Place> sources[] = {
        {items.source(ContactItem::WebSite), Place::Work}, {items.source(Further::Work2URL), Place::Work},
        {items.source(Further::Work3URL), Place::Work},    {items.source(Further::HomeURL), Place::Home},
        {items.source(Further::OtherURL), Place::Other},
    };
    pages.clear();
    for (const auto& [source, place] : sources)
        items.forEachValue(source, [&, place = place](std::string_view url) {
            pages.push_back({place, std::string(trimmed(url))});
        });
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
            std::string common = commonName(name);
            if (!isBlank(common)) related.push_back({relation, std::move(common)});
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
    store.fullName = commonName(namePart(doc.itemText(ContactItem::FullName)));
    store.emailDisplayName = doc.itemText(ContactItem::NameDisplayPref);
    store.personalHomePage = doc.itemText(ContactItem::MailDomain);
}

// The words of a name: its parts between spaces (ASCII or ideographic).
std::vector<std::string_view> nameWords(std::string_view name) {
    constexpr std::string_view kIdeographicSpace = "\u3000";
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= name.size();) {
        const bool end = at == name.size();
        const std::size_t space = end ? 0 : name[at] == ' ' ? 1 : name.substr(at).starts_with(kIdeographicSpace) ? 3 : 0;
        if (end || space > 0) {
            if (at > start) words.push_back(name.substr(start, at - start));
            if (end) break;
            at += space;
            start = at;
        } else {
            ++at;
        }
    }
    return words;
}

// The reading of the name, split where it is two words. One that only spells the name
// or the alternate name again (a sort key in capitals) says nothing more.
void readNameReading(const Items& items, Contact& contact) {
    contact.nameReading = trimmed(items.joined(ContactItem::AltFullNameSort));
    contact.readingGiven.clear();
    contact.readingFamily.clear();
    if (contact.nameReading.empty()) return;
    // Letters other than ASCII ones ("JOSÉ", "WEISS" of "Weiß") are compared by Qt's case mapping.
    const bool ascii = std::all_of(contact.nameReading.begin(), contact.nameReading.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QString reading;
    for (const std::string* name : {&contact.store.fullName, &contact.alternateName, &contact.formattedName}) {
        const std::string& same = *name;
        // Case mapping changes a letter's length by a byte at most ("ı" and "I").
        if (same.size() + 1 < contact.nameReading.size() || contact.nameReading.size() + 1 < same.size()) continue;
        if (text::equalsIgnoringCase(contact.nameReading, same)) {
            contact.nameReading.clear();
            break;
        }
        if (ascii && std::all_of(same.begin(), same.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            continue;
        if (reading.isEmpty()) reading = QString::fromStdString(contact.nameReading).toUpper();
        if (reading == QString::fromStdString(same).toUpper()) {
            contact.nameReading.clear();
            break;
        }
    }
    const std::vector<std::string_view> words = nameWords(contact.nameReading);
    if (words.size() != 2) return;
    const std::vector<std::string_view> alternate = nameWords(contact.alternateName);
    const std::string_view language = contact.alternateNameLanguage.substr(0, 2);
    const bool familyFirst = (!alternate.empty() && !contact.name.family.empty() &&
                              alternate.front() == trimmed(contact.name.family)) ||
                             language == "ja" || language == "zh" || language == "ko";
    contact.readingFamily = words[familyFirst ? 0 : 1];
    contact.readingGiven = words[familyFirst ? 1 : 0];
}

// Instant messaging, the private flag and the name in another language.
void readPersonalExtras(const Items& items, Contact& contact) {
    contact.imAddresses.clear();
    items.forEachValue(Further::SametimeLogin,
                       [&](std::string_view login) { contact.imAddresses.push_back(notes::shownName(trimmed(login))); });
    contact.isPrivate = trimmed(items.joined(Further::Confidential)) == "1";
    contact.alternateName = trimmed(items.joined(Further::AltFullName));
    contact.alternateNameLanguage = trimmed(items.joined(Further::AltFullNameLanguage));
    if (contact.alternateName.empty()) contact.alternateNameLanguage.clear();
}

// Each of the user's items no field takes, under its own name, its values as the
// window shows them.
void readOtherFields(const Items& items, std::vector<OtherField>& fields) {
    std::string value;
    for (const Source& other : items.others()) {
        value.clear();
        items.forEachValue(other, [&](std::string_view text) {
            if (!value.empty()) value += kValueSeparator;
            value += notes::shownName(text);
        });
        if (!value.empty()) fields.push_back({std::string(other.name), value});
    }
}


// Names compare without regard to ASCII case.
bool namedLikeAPhoto(std::string_view name) {
    constexpr std::string_view kPhoto = "photo";
    for (std::size_t at = 0; at + kPhoto.size() <= name.size(); ++at)
        if (text::equalsIgnoringCase(name.substr(at, kPhoto.size()), kPhoto)) return true;
    return false;
}

bool endsWithIdExtension(std::string_view name) {
    return name.size() > 3 && text::equalsIgnoringCase(name.substr(name.size() - 3), ".id");
}

void read(const ContactDocument& doc, ContactDocument* handedOver, Contact& contact, std::int64_t position) {
    const Items items(doc, handedOver);
    contact.uid = contactUid(doc, position);
    contact.revision = revisionOf(doc.noteInfo().modified);
    contact.revisionText.clear();
    if (!contact.revision && notes::parseDxlDateTime(doc.noteInfo().modified))
        contact.revisionText = trimmed(doc.noteInfo().modified);

    items.joinTaking(ContactItem::Title, contact.name.prefix);
    items.joinTaking(ContactItem::FirstName, contact.name.given);
    items.joinTaking(ContactItem::MiddleInitial, contact.name.middle);
    items.joinTaking(ContactItem::LastName, contact.name.family);
    items.joinTaking(ContactItem::Suffix, contact.name.suffix);
    items.joinTaking(ContactItem::ShortName, contact.nickname);
    items.joinTaking(ContactItem::CompanyName, contact.organization);
    items.joinTaking(ContactItem::Department, contact.unit);
    items.joinTaking(ContactItem::JobTitle, contact.jobTitle);
    items.joinTaking(ContactItem::Location, contact.office);
    readWebPages(items, contact.webPages);

    contact.otherFields.clear();
    readEmails(items, contact);
    readPhones(items, contact.phones);
    readPersonalExtras(items, contact);
    readAddress(items, contact.workAddress, ContactItem::OfficeStreetAddress, ContactItem::OfficeCity,
                ContactItem::OfficeState, ContactItem::OfficeZip, ContactItem::OfficeCountry);
    readAddress(items, contact.homeAddress, ContactItem::StreetAddress, ContactItem::City, ContactItem::State,
                ContactItem::Zip, ContactItem::Country);

    readDateOrText(items, ContactItem::Birthday, contact.birthday);
    readDateOrText(items, ContactItem::Anniversary, contact.anniversary);
    readRelated(items, contact.related);
    readNote(items, contact);
    readCategories(items, contact.categories);
    readOtherFields(items, contact.otherFields);
    readStoreFields(items, contact.store);
    readFiles(doc, contact.photo, contact.attachments, contact.idFiles);

    readFormattedName(items, contact, position);
    readNameReading(items, contact);
    contact.leftOutCharacters = items.leftOut() + noteControls(contact);
}

} // namespace

void readFiles(const ContactDocument& doc, std::optional<Attachment>& photo, std::vector<Attachment>& attachments,
               std::vector<std::string>& idFiles) {
    photo.reset();
    attachments.clear();
    idFiles.clear();
    // The photo: the first image of the item Photo (its picture, or a file it shows),
    // else the first image named like a photo; until it moves out, its place in attachments.
    std::optional<std::size_t> chosen;
    bool ofPhotoItem = false;
    for (const notes::AttachedFile& file : doc.files()) {
        if (isNotesIdFile(file)) {
            idFiles.push_back(file.name);
            leaveOutControls(idFiles.back());
            continue;
        }
        Attachment& attachment = attachments.emplace_back(Attachment{file, imageKindOf(file)});
        leaveOutControls(attachment.file.name); // the name goes into notes and file names
        if (attachment.image == ImageKind::None || ofPhotoItem) continue;
        const bool inPhotoItem =
            text::equalsIgnoringCase(file.item, "Photo") || text::equalsIgnoringCase(file.shownIn, "Photo");
        if (!inPhotoItem && (chosen || !namedLikeAPhoto(file.name))) continue;
        chosen = attachments.size() - 1;
        ofPhotoItem = inPhotoItem;
    }
    if (!chosen) return;
    photo = std::move(attachments[*chosen]);
    attachments.erase(attachments.begin() + static_cast<std::ptrdiff_t>(*chosen));
}

void readFiles(const ContactDocument& doc, std::optional<Attachment>& photo, std::vector<Attachment>& attachments) {
    std::vector<std::string> idFiles;
    readFiles(doc, photo, attachments, idFiles);
}

bool isNotesIdFile(const notes::AttachedFile& file) {
    return endsWithIdExtension(file.name) || endsWithIdExtension(file.storedName);
}

ImageKind imageKindOf(const notes::AttachedFile& file) {
    if (file.state != notes::AttachedFile::State::Readable) return ImageKind::None;
    const std::string head = file.head(8);
    if (head.starts_with("\xFF\xD8\xFF")) return ImageKind::Jpeg;
    if (head == std::string_view("\x89PNG\r\n\x1A\n", 8)) return ImageKind::Png;
    if (head.starts_with("GIF87a") || head.starts_with("GIF89a")) return ImageKind::Gif;
    return ImageKind::None;
}

std::string_view mediaType(ImageKind kind) {
    switch (kind) {
    case ImageKind::Jpeg: return "image/jpeg";
    case ImageKind::Png: return "image/png";
    case ImageKind::Gif: return "image/gif";
    case ImageKind::None: break;
    }
    return {};
}

std::string_view imageTypeName(ImageKind kind) {
    switch (kind) {
    case ImageKind::Jpeg: return "JPEG";
    case ImageKind::Png: return "PNG";
    case ImageKind::Gif: return "GIF";
    case ImageKind::None: break;
    }
    return {};
}

void forEachNotePiece(const Contact& contact, const std::function<void(std::string_view)>& each) {
    if (!hasNote(contact)) return; // white space and control characters alone
    forEachNoteText(contact, [&](std::string_view text) { forEachCleanRun(text, each); });
}

std::string noteText(const Contact& contact) {
    std::string note;
    forEachNotePiece(contact, [&](std::string_view piece) { note += piece; });
    return note;
}

bool hasNote(const Contact& contact) {
    bool any = false;
    forEachNoteText(contact, [&](std::string_view text) { any = any || holdsText(text); });
    return any;
}

std::string joinedName(const Name& name) {
    std::string joined;
    for (const std::string* part : {&name.given, &name.middle, &name.family}) {
        if (part->empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += namePart(*part);
    }
    cutName(joined);
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
    names.displayName = namePart(contact.store.fullName);
    if (names.displayName.empty()) names.displayName = joinedName(contact.name);
    if (names.displayName.empty()) names.displayName = namePart(contact.organization);

    const Name& name = contact.name;
    std::string given(namePart(name.given));
    if (!name.middle.empty()) {
        if (!given.empty()) given += ' ';
        given += namePart(name.middle);
    }
    const std::string_view family = namePart(name.family);
    if (!family.empty() || !given.empty()) {
        names.fileAs = family.empty() ? given : given.empty() ? std::string(family) : std::string(family) + ", " + given;
        cutName(names.fileAs);
        names.rule = StoreNames::FileAs::FamilyGivenMiddle;
    } else if (!contact.organization.empty()) {
        names.fileAs = namePart(contact.organization);
        names.rule = StoreNames::FileAs::Organization;
    } else if (!names.displayName.empty()) {
        names.fileAs = names.displayName;
        names.rule = StoreNames::FileAs::DisplayName;
    }
    return names;
}

std::string commonName(std::string_view userName) { return notes::commonName(userName); }

void readContact(const ContactDocument& doc, Contact& contact, std::int64_t position) {
    read(doc, nullptr, contact, position);
}

void readContact(ContactDocument&& doc, Contact& contact, std::int64_t position) {
    read(doc, &doc, contact, position);
}

std::vector<std::string> emailAddresses(const ContactDocument& doc) {
    Contact contact;
    readEmails(Items(doc), contact);
    std::vector<std::string> addresses;
    for (Email& email : contact.emails) addresses.push_back(std::move(email.address));
    return addresses;
}

Contact contactFromDocument(const ContactDocument& doc, std::int64_t position) {
    Contact contact;
    readContact(doc, contact, position);
    return contact;
}

std::vector<std::string> listedItems() {
    std::vector<std::string> items;
    // Those the formatted name is made of: the full name, the company, the e-mail
    // addresses and the phone numbers.
    using notes::ContactItem;
    for (ContactItem item : {ContactItem::FullName, ContactItem::CompanyName, ContactItem::MailAddress,
                             ContactItem::MiscPhone1, ContactItem::MiscPhone2, ContactItem::MiscPhone3,
                             ContactItem::OfficePhoneNumber, ContactItem::OfficeFaxPhoneNumber,
                             ContactItem::CellPhoneNumber, ContactItem::PhoneNumber_6, ContactItem::PhoneNumber,
                             ContactItem::HomeFaxPhoneNumber, ContactItem::PersPager})
        items.emplace_back(notes::notesName(item));
    for (std::string_view further : kFurtherNames) items.emplace_back(further);
    return items;
}

std::string listedName(const notes::ContactDocument& doc, std::string name, std::int64_t position) {
    if (!name.empty()) return name;
    const Contact contact = contactFromDocument(doc, position);
    // A name made up of its first phone number, as the formats name it; none of its position.
    if (contact.formattedName.empty() || (contact.formattedNameMadeUp && contact.phones.empty())) return {};
    return "(" + contact.formattedName + ")";
}

} // namespace brenmoor::contact
