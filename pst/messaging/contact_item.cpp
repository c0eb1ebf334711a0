// Contact items: their fields laid out as the message's properties, and Save.
#include "pst/messaging/contact_item.h"

#include <chrono>
#include <ctime>

#include "pst/ltp/property_context.h"
#include "pst/messaging/entry_id.h"
#include "pst/messaging/folder.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/store_error.h"

namespace brenmoor::pst::messaging {

namespace {

using ltp::PropTag;
using ltp::PropValue;
using ltp::makeTag;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

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

std::uint64_t fileTimeFromUnix(std::int64_t seconds) {
    return static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
}

std::string trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

} // namespace

std::uint64_t utcMidnight(const CalendarDate& date) {
    return fileTimeFromUnix(daysFromCivil(date.year, date.month, date.day) * 86400);
}

std::uint64_t localMidnight(const CalendarDate& date) {
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1)) return utcMidnight(date);
    return fileTimeFromUnix(static_cast<std::int64_t>(t));
}

std::uint64_t fileTimeNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
    return static_cast<std::uint64_t>(ticks + kSecondsFrom1601To1970 * kTicksPerSecond);
}

ContactItem::ContactItem(Folder& folder, ndb::Nid nid, std::string messageClass)
    : folder_(&folder), nid_(nid), messageClass_(std::move(messageClass)), created_(fileTimeNow()),
      searchKey_(randomGuidBytes()) {}

void ContactItem::setText(ContactField field, std::string_view text) {
    if (text.empty()) return;
    texts_[field] = std::string(text);
}

std::string ContactItem::text(ContactField field) const {
    auto it = texts_.find(field);
    return it == texts_.end() ? std::string() : it->second;
}

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
    auto put = [&](std::uint16_t id, ltp::PropType type, PropValue value) {
        props.emplace_back(makeTag(id, type), std::move(value));
    };
    auto putNamed = [&](std::uint32_t lid, ltp::PropType type, PropValue value) {
        put(names.idOf(PropertyName{kPsetidAddress, lid}), type, std::move(value));
    };

    // The name the item goes by: the full name, else the name parts, else the company.
    std::string displayName = text(ContactField::FullName);
    if (displayName.empty()) {
        for (ContactField part : {ContactField::GivenName, ContactField::MiddleName, ContactField::Surname}) {
            const std::string t = text(part);
            if (t.empty()) continue;
            if (!displayName.empty()) displayName += ' ';
            displayName += t;
        }
    }
    if (displayName.empty()) displayName = text(ContactField::CompanyName);

    // File as "Last, First".
    const std::string first = text(ContactField::GivenName), last = text(ContactField::Surname);
    std::string fileAs = !last.empty() && !first.empty() ? last + ", " + first : !last.empty() ? last : first;
    const bool lastFirst = !last.empty() && !first.empty();
    if (fileAs.empty()) fileAs = displayName;

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
    if (!displayName.empty()) {
        // The subject carries no prefix: the leading pair marks a prefix of length 0.
        put(0x0037, ltp::PT_UNICODE, PropValue::unicode(std::string("\x01\x01", 2) + displayName));
        put(0x0070, ltp::PT_UNICODE, PropValue::unicode(displayName));
        put(0x3001, ltp::PT_UNICODE, PropValue::unicode(displayName));
    }
    if (!fileAs.empty()) putNamed(lid::kFileUnder, ltp::PT_UNICODE, PropValue::unicode(fileAs));
    if (lastFirst) putNamed(lid::kFileUnderId, ltp::PT_LONG, PropValue::int32(0x8017));

    for (const auto& [field, value] : texts_) {
        if (field == ContactField::FullName || field == ContactField::Email1DisplayName) continue;
        if (field == ContactField::Email1Address || field == ContactField::Email2Address ||
            field == ContactField::Email3Address)
            continue;
        const FieldStorage where = storageOf(field);
        PropValue v = where.type == ltp::PT_MV_UNICODE ? PropValue::multiUnicode({value}) : PropValue::unicode(value);
        if (where.named) putNamed(where.idOrLid, where.type, std::move(v));
        else put(static_cast<std::uint16_t>(where.idOrLid), where.type, std::move(v));
    }

    // E-mail slots, with the type, display names and slot list Outlook keeps beside them.
    std::vector<std::int32_t> slots;
    std::int32_t slotMask = 0;
    static constexpr ContactField kAddresses[] = {ContactField::Email1Address, ContactField::Email2Address,
                                                  ContactField::Email3Address};
    for (int slot = 0; slot < 3; ++slot) {
        const std::string address = text(kAddresses[slot]);
        if (address.empty()) continue;
        std::string shown = slot == 0 ? text(ContactField::Email1DisplayName) : std::string();
        if (shown.empty()) shown = address;
        putNamed(lid::emailAddress(slot), ltp::PT_UNICODE, PropValue::unicode(address));
        putNamed(lid::emailAddressType(slot), ltp::PT_UNICODE, PropValue::unicode("SMTP"));
        putNamed(lid::emailDisplayName(slot), ltp::PT_UNICODE, PropValue::unicode(shown));
        putNamed(lid::emailOriginalDisplayName(slot), ltp::PT_UNICODE, PropValue::unicode(address));
        putNamed(lid::emailOriginalEntryId(slot), ltp::PT_BINARY,
                 PropValue::binary(oneOffEntryId(shown, "SMTP", address)));
        slots.push_back(slot);
        slotMask |= 1 << slot;
    }
    if (text(ContactField::Email1Address).empty() && !text(ContactField::Email1DisplayName).empty())
        putNamed(lid::kEmail1DisplayName, ltp::PT_UNICODE, PropValue::unicode(text(ContactField::Email1DisplayName)));
    if (!slots.empty()) {
        putNamed(lid::kAddressBookProviderArrayType, ltp::PT_LONG, PropValue::int32(slotMask));
        PropValue mv;
        mv.type = ltp::PT_MV_LONG;
        for (std::int32_t s : slots)
            for (int shift = 0; shift < 32; shift += 8) mv.data.push_back(static_cast<std::uint8_t>(s >> shift));
        putNamed(lid::kAddressBookProviderEmailList, ltp::PT_MV_LONG, std::move(mv));
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
    if (!workWhole.empty()) {
        putNamed(lid::kPostalAddressId, ltp::PT_LONG, PropValue::int32(2));
        const std::pair<std::uint16_t, ContactField> copies[] = {{0x3A29, kWork.street}, {0x3A27, kWork.city},
                                                                 {0x3A28, kWork.state},  {0x3A2A, kWork.zip},
                                                                 {0x3A26, kWork.country}};
        for (const auto& [id, field] : copies)
            if (!text(field).empty()) put(id, ltp::PT_UNICODE, PropValue::unicode(text(field)));
        put(0x3A15, ltp::PT_UNICODE, PropValue::unicode(workWhole));
    }

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
    const auto props = properties(store.names());
    ltp::PropertyContextBuilder pc;
    std::map<PropTag, PropValue> row;
    for (const auto& [tag, value] : props) {
        pc.set(tag, value);
        switch (ltp::tagId(tag)) {
        case 0x0017: case 0x001A: case 0x0036: case 0x0037: case 0x0070:
        case 0x0E07: case 0x0E08: case 0x3008:
            row[tag] = value;
            break;
        default:
            break;
        }
    }
    store.putNode(nid_, folder_->nid(), pc.build());
    folder_->recordItem(nid_, row, !saved_);
    saved_ = true;
}

} // namespace brenmoor::pst::messaging
