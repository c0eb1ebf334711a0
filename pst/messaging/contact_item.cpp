// Contact items: their fields laid out as the message's properties, and Save.
#include "pst/messaging/contact_item.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <unordered_map>

#include "pst/ltp/property_context.h"
#include "pst/messaging/entry_id.h"
#include "pst/messaging/folder.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/store_clock.h"
#include "pst/messaging/store_error.h"
#include "pst/util/little_endian.h"
#include "text/text_bytes.h"

namespace brenmoor::pst::messaging {

namespace {

using ltp::PropTag;
using ltp::PropValue;
using ltp::makeTag;

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// A day an item can hold: a calendar day from 1601-01-02 (a local midnight in any
// time zone stays at or after the FILETIME epoch) to 4500-12-31 (Outlook reads
// 4501-01-01 and later as "None").
bool isCalendarDay(const CalendarDate& date) {
    if (date.year < 1601 || date.year > 4500 || date.month < 1 || date.month > 12 || date.day < 1) return false;
    if (date.year == 1601 && date.month == 1 && date.day == 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    return date.day <= kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
}

std::string trimmed(std::string_view value) { return std::string(text::trimmed(value)); }

} // namespace

namespace {

// Outlook's values on every contact it saves (Outlook 2007: version 12.0, build 124518).
constexpr std::int32_t kOutlookVersion = 124518;
constexpr const char* kOutlookVersionName = "12.0";
constexpr std::int32_t kSideEffectsOpenToCopy = 0x10;
constexpr std::int32_t kCharacterSetDefault = 0x100;
constexpr std::int32_t kFileUnderLastFirstMiddle = 0x8017;
constexpr std::int32_t kFileUnderCompany = 0x3A16;
constexpr std::int32_t kFileUnderDisplayName = 0x3001;
constexpr std::int32_t kFileUnderOwnText = -1; // 0xFFFFFFFF: no rule; the text as stored
constexpr const char* kUntitled = "Untitled";
const std::string kNoText;
// The file-as choices Outlook offers and stores on a contact.
constexpr std::int32_t kFileUnderChoices[] = {kFileUnderLastFirstMiddle, 0x8037, kFileUnderCompany, 0x8019, 0x8018};
// The address book provider's numbering: e-mail slots 0-2, then business, home and
// primary fax.
constexpr int kFirstFaxEntry = 3;

// The first character of a UTF-8 text, whole.
std::string firstCharacter(const std::string& value) {
    if (value.empty()) return {};
    std::size_t n = 1;
    while (n < value.size() && text::continuesCharacter(value[n])) ++n;
    return value.substr(0, n);
}

PropValue multiLong(const std::vector<std::int32_t>& values) {
    PropValue mv;
    mv.type = ltp::PT_MV_LONG;
    for (std::int32_t v : values) appendU32(mv.data, static_cast<std::uint32_t>(v));
    return mv;
}

// The conversation index of a new conversation: a header of 0x01, the five bytes of
// the time below that, and a GUID.
ltp::Bytes conversationIndex(std::uint64_t filetime) {
    ltp::Bytes index{0x01};
    for (int shift = 48; shift >= 16; shift -= 8) index.push_back(static_cast<std::uint8_t>(filetime >> shift));
    const ltp::Bytes guid = randomGuidBytes();
    index.insert(index.end(), guid.begin(), guid.end());
    return index;
}

} // namespace

std::uint64_t utcMidnight(const CalendarDate& date) {
    return fileTimeFromUnix(daysFromCivil(date.year, date.month, date.day) * 86400);
}

std::uint64_t localMidnight(const CalendarDate& date) {
    // mktime reads the time zone anew on every call; a book holds the same days many
    // times over, so each day's answer is kept.
    thread_local std::unordered_map<std::int64_t, std::uint64_t> known;
    thread_local std::string knownZone;
    const char* zone = std::getenv("TZ");
    if (knownZone != (zone ? zone : "")) {
        known.clear();
        knownZone = zone ? zone : "";
    }
    const std::int64_t day = daysFromCivil(date.year, date.month, date.day);
    if (auto it = known.find(day); it != known.end()) return it->second;
    if (known.size() > 100000) known.clear();
    std::uint64_t& answer = known[day];
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    answer = t == static_cast<std::time_t>(-1) ? utcMidnight(date) : fileTimeFromUnix(static_cast<std::int64_t>(t));
    return answer;
}

ContactItem::ContactItem(Folder& folder, ndb::Nid nid, std::string messageClass)
    : folder_(&folder), nid_(nid), messageClass_(std::move(messageClass)), created_(fileTimeNow()),
      searchKey_(randomGuidBytes()), conversationIndex_(conversationIndex(created_)) {}

void ContactItem::setText(ContactField field, std::string_view text) {
    if (text.empty()) return;
    texts_[std::size_t(field)] = std::string(text);
}

const std::string& ContactItem::text(ContactField field) const { return texts_[std::size_t(field)]; }

void ContactItem::setDate(ContactDate which, const CalendarDate& date) {
    if (!isCalendarDay(date))
        throw StoreError("The date " + std::to_string(date.year) + "-" + std::to_string(date.month) + "-" +
                         std::to_string(date.day) + " is not a day an item can hold.");
    (which == ContactDate::Birthday ? birthday_ : anniversary_) = date;
}

void ContactItem::setBody(std::string_view text) { body_ = std::string(text); }

void ContactItem::setCategories(std::string_view text) {
    categories_.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of(",;", start);
        std::string name = trimmed(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!name.empty()) categories_.push_back(std::move(name));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

std::vector<std::pair<PropTag, PropValue>> ContactItem::properties(NamedPropertyMap& names) const {
    std::vector<std::pair<PropTag, PropValue>> props;
    props.reserve(128);
    auto put = [&](std::uint16_t id, ltp::PropType type, PropValue value) {
        props.emplace_back(makeTag(id, type), std::move(value));
    };
    auto putNamed = [&](std::uint32_t lid, ltp::PropType type, PropValue value) {
        put(names.idOf(PropertyName{kPsetidAddress, lid}), type, std::move(value));
    };
    auto putCommon = [&](std::uint32_t lid, ltp::PropType type, PropValue value) {
        put(names.idOf(PropertyName{kPsetidCommon, lid}), type, std::move(value));
    };

    // The name the item goes by: the full name, else the name parts, else the company.
    const std::string &first = text(ContactField::GivenName), &middle = text(ContactField::MiddleName),
                      &last = text(ContactField::Surname), &company = text(ContactField::CompanyName);
    std::string displayName = text(ContactField::FullName);
    if (displayName.empty()) {
        for (const std::string* part : {&first, &middle, &last}) {
            if (part->empty()) continue;
            if (!displayName.empty()) displayName += ' ';
            displayName += *part;
        }
    }
    if (displayName.empty()) displayName = company;

    // File as "Last, First Middle", as the file-as ID declares; without a name, the
    // company or the display name, each under the ID that says so.
    std::string given = first;
    if (!middle.empty()) given += (given.empty() ? "" : " ") + middle;
    std::string fileAs = !last.empty() && !given.empty() ? last + ", " + given : !last.empty() ? last : given;
    std::int32_t fileAsId = kFileUnderLastFirstMiddle;
    if (fileAs.empty() && !company.empty()) {
        fileAs = company;
        fileAsId = kFileUnderCompany;
    } else if (fileAs.empty() && !displayName.empty()) {
        fileAs = displayName;
        fileAsId = kFileUnderDisplayName;
    } else if (fileAs.empty()) {
        // Nothing to go by: the contact still needs a text to be listed under (readers
        // pass over a contact none of whose texts holds anything).
        fileAs = kUntitled;
        fileAsId = kFileUnderOwnText;
    }
    std::string initials;
    for (const std::string* part : {&first, &middle, &last})
        if (!part->empty()) initials += firstCharacter(*part) + ".";

    put(0x001A, ltp::PT_UNICODE, PropValue::unicode(messageClass_));
    put(0x0017, ltp::PT_LONG, PropValue::int32(1));  // normal importance
    put(0x0036, ltp::PT_LONG, PropValue::int32(0));  // not sensitive
    put(0x0026, ltp::PT_LONG, PropValue::int32(0));  // normal priority
    put(0x0E07, ltp::PT_LONG, PropValue::int32(1));  // read
    put(0x1080, ltp::PT_LONG, PropValue::int32(0x200)); // contact icon
    put(0x0039, ltp::PT_SYSTIME, PropValue::systime(created_));
    put(0x0E06, ltp::PT_SYSTIME, PropValue::systime(created_));
    put(0x3007, ltp::PT_SYSTIME, PropValue::systime(created_));
    put(0x3008, ltp::PT_SYSTIME, PropValue::systime(fileTimeNow()));
    put(0x300B, ltp::PT_BINARY, PropValue::binary(searchKey_));
    put(0x0071, ltp::PT_BINARY, PropValue::binary(conversationIndex_));
    // Submission flags Outlook sets on every item it saves.
    put(0x0002, ltp::PT_BOOLEAN, PropValue::boolean(true));  // alternate recipient allowed
    put(0x0023, ltp::PT_BOOLEAN, PropValue::boolean(false)); // no delivery report
    put(0x0029, ltp::PT_BOOLEAN, PropValue::boolean(false)); // no read receipt
    put(0x0E01, ltp::PT_BOOLEAN, PropValue::boolean(false)); // kept after submission
    put(0x3A71, ltp::PT_LONG, PropValue::int32(0));          // send internet encoding
    put(0x3FF1, ltp::PT_LONG, PropValue::int32(0));          // message locale
    if (!displayName.empty()) {
        // The subject carries no prefix: the leading pair marks a prefix of length 0.
        put(0x0037, ltp::PT_UNICODE, PropValue::unicode(std::string("\x01\x01", 2) + displayName));
        put(0x0070, ltp::PT_UNICODE, PropValue::unicode(displayName));
        put(0x3001, ltp::PT_UNICODE, PropValue::unicode(displayName));
    }
    put(0x3A0A, ltp::PT_UNICODE, PropValue::unicode(initials));
    putNamed(lid::kFileUnder, ltp::PT_UNICODE, PropValue::unicode(fileAs));
    putNamed(lid::kFileUnderId, ltp::PT_LONG, PropValue::int32(fileAsId));
    putNamed(lid::kFileUnderList, ltp::PT_MV_LONG,
             multiLong(std::vector<std::int32_t>(std::begin(kFileUnderChoices), std::end(kFileUnderChoices))));
    putNamed(lid::kContactCharacterSet, ltp::PT_LONG, PropValue::int32(kCharacterSetDefault));
    putNamed(lid::kAutoLog, ltp::PT_BOOLEAN, PropValue::boolean(false));
    putCommon(common::kCurrentVersion, ltp::PT_LONG, PropValue::int32(kOutlookVersion));
    putCommon(common::kCurrentVersionName, ltp::PT_UNICODE, PropValue::unicode(kOutlookVersionName));
    putCommon(common::kSideEffects, ltp::PT_LONG, PropValue::int32(kSideEffectsOpenToCopy));
    putCommon(common::kPrivate, ltp::PT_BOOLEAN, PropValue::boolean(false));
    putCommon(common::kReminderSet, ltp::PT_BOOLEAN, PropValue::boolean(false));
    putCommon(common::kReminderDelta, ltp::PT_LONG, PropValue::int32(0));
    putCommon(common::kAgingDontAgeMe, ltp::PT_BOOLEAN, PropValue::boolean(false));
    putCommon(common::kReferenceEntryId, ltp::PT_BINARY, PropValue::binary(entryId(folder_->store().uid(), nid_)));

    // Fields of Outlook's contact form that it writes empty when they hold nothing.
    for (ContactField field : {ContactField::Generation, ContactField::CompanyName, ContactField::JobTitle,
                               ContactField::Department, ContactField::DisplayNamePrefix})
        if (text(field).empty()) put(static_cast<std::uint16_t>(storageOf(field).idOrLid), ltp::PT_UNICODE,
                                     PropValue::unicode(""));
    for (std::uint16_t id : {0x3A00, 0x3A0B, 0x3A0C, 0x3A0D}) // account, callback, language, location
        put(id, ltp::PT_UNICODE, PropValue::unicode(""));
    for (std::uint32_t l : {lid::kReferredBy, lid::kDepartment, lid::kInstantMessagingAddress})
        putNamed(l, ltp::PT_UNICODE, PropValue::unicode(""));

    for (std::size_t index = 0; index < texts_.size(); ++index) {
        const ContactField field = static_cast<ContactField>(index);
        const std::string& value = texts_[index];
        if (value.empty()) continue;
        if (field == ContactField::FullName || field == ContactField::Email1DisplayName) continue;
        if (field == ContactField::Email1Address || field == ContactField::Email2Address ||
            field == ContactField::Email3Address)
            continue;
        const FieldStorage where = storageOf(field);
        PropValue v = where.type == ltp::PT_MV_UNICODE ? PropValue::multiUnicode({value}) : PropValue::unicode(value);
        if (where.named) putNamed(where.idOrLid, where.type, std::move(v));
        else put(static_cast<std::uint16_t>(where.idOrLid), where.type, std::move(v));
    }

    // E-mail slots and fax entries, with the type, display names and entry list Outlook
    // keeps beside them.
    std::vector<std::int32_t> entries;
    std::int32_t entryMask = 0;
    static constexpr ContactField kAddresses[] = {ContactField::Email1Address, ContactField::Email2Address,
                                                  ContactField::Email3Address};
    for (int slot = 0; slot < 3; ++slot) {
        const std::string& address = text(kAddresses[slot]);
        if (address.empty()) continue;
        // The name shown with the address: e-mail 1's own where given, else the
        // contact's, as Outlook fills it in.
        std::string shown = slot == 0 ? text(ContactField::Email1DisplayName) : std::string();
        if (shown.empty()) shown = displayName.empty() ? address : displayName;
        putNamed(lid::emailAddress(slot), ltp::PT_UNICODE, PropValue::unicode(address));
        putNamed(lid::emailAddressType(slot), ltp::PT_UNICODE, PropValue::unicode("SMTP"));
        putNamed(lid::emailDisplayName(slot), ltp::PT_UNICODE, PropValue::unicode(shown));
        putNamed(lid::emailOriginalDisplayName(slot), ltp::PT_UNICODE, PropValue::unicode(address));
        putNamed(lid::emailOriginalEntryId(slot), ltp::PT_BINARY,
                 PropValue::binary(oneOffEntryId(shown, "SMTP", address)));
        entries.push_back(slot);
        entryMask |= 1 << slot;
    }
    if (text(ContactField::Email1Address).empty() && !text(ContactField::Email1DisplayName).empty())
        putNamed(lid::kEmail1DisplayName, ltp::PT_UNICODE, PropValue::unicode(text(ContactField::Email1DisplayName)));
    putNamed(lid::kEmailDisplayNameList, ltp::PT_MV_LONG,
             multiLong({std::int32_t(lid::emailDisplayName(0)), std::int32_t(lid::emailDisplayName(1)),
                        std::int32_t(lid::emailDisplayName(2))}));
    static constexpr ContactField kFaxes[] = {ContactField::BusinessFax, ContactField::HomeFax};
    for (int fax = 0; fax < 3; ++fax) {
        const std::string& number = fax < 2 ? text(kFaxes[fax]) : kNoText;
        // "Name@number", as Outlook addresses a fax; the entry's name is the item's.
        const std::string address = number.empty() ? "" : displayName.empty() ? number : displayName + "@" + number;
        putNamed(lid::faxAddressType(fax), ltp::PT_UNICODE, PropValue::unicode("FAX"));
        putNamed(lid::faxAddress(fax), ltp::PT_UNICODE, PropValue::unicode(address));
        putNamed(lid::faxOriginalDisplayName(fax), ltp::PT_UNICODE,
                 PropValue::unicode(number.empty() ? "" : displayName));
        if (number.empty()) continue;
        putNamed(lid::faxOriginalEntryId(fax), ltp::PT_BINARY,
                 PropValue::binary(oneOffEntryId(displayName, "FAX", address)));
        entries.push_back(kFirstFaxEntry + fax);
        entryMask |= 1 << (kFirstFaxEntry + fax);
    }
    if (!entries.empty()) {
        putNamed(lid::kAddressBookProviderArrayType, ltp::PT_LONG, PropValue::int32(entryMask));
        putNamed(lid::kAddressBookProviderEmailList, ltp::PT_MV_LONG, multiLong(entries));
    }

    // The whole addresses Outlook shows, composed from their parts where not given,
    // and the business address as the mailing address (readers take the mailing
    // address properties for the business address, so a home address is not copied).
    struct AddressParts { ContactField street, city, state, zip, country; };
    static constexpr AddressParts kWork{ContactField::WorkAddressStreet, ContactField::WorkAddressCity,
                                        ContactField::WorkAddressState, ContactField::WorkAddressPostalCode,
                                        ContactField::WorkAddressCountry};
    static constexpr AddressParts kHome{ContactField::HomeAddressStreet, ContactField::HomeAddressCity,
                                        ContactField::HomeAddressState, ContactField::HomeAddressPostalCode,
                                        ContactField::HomeAddressCountry};
    // Street, then "city, state  zip", then country, on their own lines.
    auto wholeAddress = [&](ContactField street, ContactField city, ContactField state, ContactField zip,
                            ContactField country) {
        std::string place = text(city);
        if (!text(state).empty()) place += (place.empty() ? "" : ", ") + text(state);
        if (!text(zip).empty()) place += (place.empty() ? "" : "  ") + text(zip);
        std::string whole;
        for (const std::string& line : {text(street), place, text(country)}) {
            if (line.empty()) continue;
            if (!whole.empty()) whole += "\r\n";
            whole += line;
        }
        return whole;
    };
    std::string workWhole = text(ContactField::WorkAddress);
    if (workWhole.empty()) workWhole = wholeAddress(kWork.street, kWork.city, kWork.state, kWork.zip, kWork.country);
    if (!workWhole.empty() && text(ContactField::WorkAddress).empty())
        putNamed(lid::kWorkAddress, ltp::PT_UNICODE, PropValue::unicode(workWhole));
    const std::string homeWhole = wholeAddress(kHome.street, kHome.city, kHome.state, kHome.zip, kHome.country);
    if (!homeWhole.empty()) putNamed(lid::kHomeAddress, ltp::PT_UNICODE, PropValue::unicode(homeWhole));
    // The mailing address: the business one, or the empty country, city and state that
    // Outlook writes where none is chosen.
    const std::pair<std::uint16_t, ContactField> copies[] = {{0x3A29, kWork.street}, {0x3A27, kWork.city},
                                                             {0x3A28, kWork.state},  {0x3A2A, kWork.zip},
                                                             {0x3A26, kWork.country}};
    if (!workWhole.empty()) {
        putNamed(lid::kPostalAddressId, ltp::PT_LONG, PropValue::int32(2));
        for (const auto& [id, field] : copies)
            if (!text(field).empty()) put(id, ltp::PT_UNICODE, PropValue::unicode(text(field)));
        put(0x3A15, ltp::PT_UNICODE, PropValue::unicode(workWhole));
    }
    for (const auto& [id, field] : {copies[1], copies[2], copies[4]}) // city, state, country
        if (workWhole.empty() || text(field).empty()) put(id, ltp::PT_UNICODE, PropValue::unicode(""));

    if (birthday_) {
        put(0x3A42, ltp::PT_SYSTIME, PropValue::systime(localMidnight(*birthday_)));
        putNamed(lid::kBirthdayLocal, ltp::PT_SYSTIME, PropValue::systime(utcMidnight(*birthday_)));
    }
    if (anniversary_) {
        put(0x3A41, ltp::PT_SYSTIME, PropValue::systime(localMidnight(*anniversary_)));
        putNamed(lid::kWeddingAnniversaryLocal, ltp::PT_SYSTIME, PropValue::systime(utcMidnight(*anniversary_)));
    }
    if (body_) put(0x1000, ltp::PT_UNICODE, PropValue::unicode(*body_));
    if (!categories_.empty())
        put(names.idOf(PropertyName{kPsPublicStrings, std::string("Keywords")}), ltp::PT_MV_UNICODE,
            PropValue::multiUnicode(categories_));

    // The message size: the values' bytes, as the store counts them.
    std::size_t size = 0;
    for (const auto& [tag, value] : props) size += value.data.size();
    put(0x0E08, ltp::PT_LONG, PropValue::int32(static_cast<std::int32_t>(std::min<std::size_t>(size, 0x7FFFFFFF))));
    return props;
}

void ContactItem::save() {
    MessageStore& store = folder_->store();
    auto props = properties(store.names());
    std::map<PropTag, PropValue> row;
    for (const auto& [tag, value] : props) {
        switch (ltp::tagId(tag)) {
        case 0x0017: case 0x001A: case 0x0036: case 0x0037: case 0x0070:
        case 0x0E07: case 0x0E08: case 0x3008:
            row[tag] = value;
            break;
        default:
            break;
        }
    }
    store.putNode(nid_, folder_->nid(), ltp::PropertyContextBuilder::build(std::move(props)));
    folder_->recordItem(nid_, row, !saved_);
    saved_ = true;
}

} // namespace brenmoor::pst::messaging
