// Contact items: their fields laid out as the message's properties, and Save.
#include "pst/messaging/contact_item.h"

#include <algorithm>
#include <bitset>
#include <cstdlib>
#include <ctime>
#include <unordered_map>
#include <variant>

#include "pst/ltp/property_context.h"
#include "pst/messaging/entry_id.h"
#include "pst/messaging/folder.h"
#include "pst/messaging/message_store.h"
#include "pst/messaging/store_layout.h"
#include "text/line_breaks.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/property_tags.h"
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
// The file-as choices Outlook offers and stores on a contact.
constexpr std::int32_t kFileUnderChoices[] = {kFileUnderLastFirstMiddle, 0x8037, kFileUnderCompany, 0x8019, 0x8018};
// The address book provider's numbering: e-mail slots 0-2, then business, home and
// primary fax.
constexpr int kFirstFaxEntry = 3;
// PidLidPostalAddressId: which address is the mailing address.
constexpr std::int32_t kPostalAddressWork = 2;
constexpr std::int32_t kIconContact = 0x200;
constexpr std::int32_t kIconList = 0x202;
constexpr std::int32_t kMessageFlagRead = 0x01;
constexpr std::int32_t kMessageFlagHasAttachments = 0x10;

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
    mv.data.resize(4 * values.size());
    for (std::size_t i = 0; i < values.size(); ++i) putU32(mv.data.data() + 4 * i, static_cast<std::uint32_t>(values[i]));
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

// Whether the folder's contents table shows the property: of each item, every column
// the item holds.
bool isRowColumn(PropTag tag) {
    struct Columns {
        std::vector<PropTag> sorted;
        std::bitset<0x10000> ids; // most properties are no column: one look settles them
    };
    static const Columns columns = [] {
        Columns made{layout::contentsColumns(), {}};
        std::sort(made.sorted.begin(), made.sorted.end());
        for (const PropTag column : made.sorted) made.ids.set(column >> 16);
        return made;
    }();
    return columns.ids.test(tag >> 16) && std::binary_search(columns.sorted.begin(), columns.sorted.end(), tag);
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

ContactItem::ContactItem(Folder& folder, ndb::Nid nid, std::string messageClass, const StoreUid& searchKey)
    : folder_(&folder), nid_(nid), messageClass_(std::move(messageClass)), created_(fileTimeNow()),
      searchKey_(searchKey.begin(), searchKey.end()), conversationIndex_(conversationIndex(created_)),
      written_(folder.store().nodeDatabase()) {}

namespace {

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    text::appendWithCrLf(out, text);
    return out;
}

} // namespace

void ContactItem::setText(ContactField field, std::string_view text) {
    if (text.empty()) return;
    texts_[std::size_t(field)] = withCrLf(text);
}

const std::string& ContactItem::text(ContactField field) const { return texts_[std::size_t(field)]; }

void ContactItem::setDate(ContactDate which, const CalendarDate& date) {
    if (!isCalendarDay(date))
        throw StoreError("The date " + std::to_string(date.year) + "-" + std::to_string(date.month) + "-" +
                         std::to_string(date.day) + " is not a day an item can hold.");
    (which == ContactDate::Birthday ? birthday_ : anniversary_) = date;
}

void ContactItem::setBody(std::span<const std::string_view> pieces) {
    ltp::StreamedValueWriter writer(folder_->store().nodeDatabase());
    // A slice at a time, so a long body is never copied whole.
    constexpr std::size_t kSlice = 64 << 10;
    text::CrLfLines lines;
    std::string slice;
    for (std::string_view piece : pieces)
        for (std::size_t at = 0; at < piece.size(); at += kSlice) {
            slice.clear();
            lines.append(slice, piece.substr(at, kSlice));
            writer.appendText(slice);
        }
    ltp::PropValue body = writer.finishText();
    if (body_) written_.drop(body_->writtenBlocks);
    written_.add(body.writtenBlocks);
    body_ = std::move(body);
}

void ContactItem::setMembers(std::vector<ListMember> members) {
    std::size_t entryBytes = 4 + 4 * members.size(), oneOffBytes = entryBytes;
    forEachMemberIds(folder_->store().uid(), members, [&](const ltp::Bytes& entryId, const ltp::Bytes& oneOff) {
        entryBytes += entryId.size();
        oneOffBytes += oneOff.size();
    });
    if (listStream_) written_.drop(listStream_->writtenBlocks);
    listStream_.reset();
    members_.clear();
    if (entryBytes < kListPropertyLimit && oneOffBytes < kListPropertyLimit) {
        members_ = std::move(members);
        return;
    }
    ltp::StreamedValueWriter writer(folder_->store().nodeDatabase());
    writeListStream(folder_->store().uid(), members, [&](const ltp::Bytes& piece) { writer.appendBinary(piece); });
    ltp::PropValue stream = writer.finishBinary();
    written_.add(stream.writtenBlocks);
    listStream_ = std::move(stream);
}

void ContactItem::setFileAs(std::string_view text, FileUnder rule) {
    fileAs_ = std::string(text);
    fileUnder_ = rule;
}

void ContactItem::setCategories(std::vector<std::string> categories) { categories_ = std::move(categories); }

void ContactItem::setChildren(std::vector<std::string> names) {
    std::erase(names, std::string());
    texts_[std::size_t(ContactField::Children)] = names.empty() ? std::string() : names.front();
    children_ = std::move(names);
}

// The properties as they are put, named properties given their IDs on the way. Put
// for a save, a long text goes to the file as it is converted (but for the contents
// table's columns, which the table lays out from memory).
class ContactItem::PropertyList {
public:
    explicit PropertyList(NamedPropertyMap& names) : names_(names) { props_.reserve(128); }
    // Long texts written through store, their blocks handed to written.
    PropertyList(NamedPropertyMap& names, ndb::NodeDatabaseWriter& store, ltp::WrittenBlocks& written)
        : PropertyList(names) {
        store_ = &store;
        written_ = &written;
    }

    void put(PropTag tag, PropValue value) { props_.emplace_back(tag, std::move(value)); }
    void put(const NamedTag& named, PropValue value) { put(tagOf(named), std::move(value)); }
    void put(const FieldStorage& where, PropValue value) { put(tagOf(where), std::move(value)); }
    void putText(const auto& where, std::string_view text) {
        const PropTag tag = tagOf(where);
        if (!store_ || 2 * text.size() <= ndb::kMaxBlockData || isRowColumn(tag)) return put(tag, PropValue::unicode(text));
        ltp::StreamedValueWriter writer(*store_);
        writer.appendText(text);
        PropValue value = writer.finishText();
        written_->add(value.writtenBlocks);
        textBlocks_.insert(textBlocks_.end(), value.writtenBlocks.begin(), value.writtenBlocks.end());
        put(tag, std::move(value));
    }

    NamedPropertyMap& names() { return names_; }
    std::vector<std::pair<PropTag, PropValue>>& all() { return props_; }
    // The blocks of the long texts written, in order.
    const std::vector<std::uint64_t>& textBlocks() const { return textBlocks_; }

private:
    PropTag tagOf(PropTag tag) { return tag; }
    PropTag tagOf(const NamedTag& named) { return makeTag(names_.idOf(PropertyName{named.set, named.lid}), named.type); }
    PropTag tagOf(const FieldStorage& where) {
        return std::visit([&](const auto& tag) { return tagOf(tag); }, where);
    }

    NamedPropertyMap& names_;
    ndb::NodeDatabaseWriter* store_ = nullptr;
    ltp::WrittenBlocks* written_ = nullptr;
    std::vector<std::uint64_t> textBlocks_;
    std::vector<std::pair<PropTag, PropValue>> props_;
};

std::vector<std::pair<PropTag, PropValue>> ContactItem::properties(NamedPropertyMap& names) const {
    PropertyList list(names);
    putAll(list);
    return std::move(list.all());
}

void ContactItem::putAll(PropertyList& list) const {
    putStandardProperties(list);
    if (isList()) {
        putListProperties(list);
    } else {
        putContactProperties(list);
    }
    if (!attachments_.empty()) list.put(tags::PidTagHasAttachments, PropValue::boolean(true));
    for (const Attachment& attachment : attachments_)
        if (attachment.contactPicture) list.put(tags::PidLidHasPicture, PropValue::boolean(true));

    // The message size: the values' bytes, as the store counts them.
    std::uint64_t size = attachmentsSize(attachments_);
    for (const auto& [tag, value] : list.all()) size += value.size();
    list.put(tags::PidTagMessageSize, PropValue::int32(static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF))));
}

void ContactItem::putContactProperties(PropertyList& list) const {
    const Names named = nameOf();
    putNamesAndFileAs(list, named);
    putFieldTexts(list);
    // Outlook's contact form shows the business web page from its own property.
    if (const std::string& page = text(ContactField::BusinessHomePage); !page.empty())
        list.putText(tags::PidLidHtml, page);
    Entries entries;
    putEmailEntries(list, named.display, entries);
    putFaxEntries(list, named.display, entries);
    if (!entries.numbers.empty()) {
        list.put(tags::PidLidAddressBookProviderArrayType, PropValue::int32(entries.mask));
        list.put(tags::PidLidAddressBookProviderEmailList, multiLong(entries.numbers));
    }
    putAddresses(list);
    putDatesBodyAndCategories(list);
}

ContactItem::Names ContactItem::nameOf() const {
    // The name the item goes by, and the text it is filed under with the ID of its rule.
    const std::string &first = text(ContactField::GivenName), &middle = text(ContactField::MiddleName),
                      &last = text(ContactField::Surname);
    Names names;
    names.display = text(ContactField::DisplayName);
    names.fileAs = fileAs_;
    names.fileAsId = fileUnder_ == FileUnder::Company       ? kFileUnderCompany
                     : fileUnder_ == FileUnder::DisplayName ? kFileUnderDisplayName
                                                            : kFileUnderLastFirstMiddle;
    if (names.fileAs.empty()) {
        // Nothing to go by: the contact still needs a text to be listed under (readers
        // pass over a contact none of whose texts holds anything).
        names.fileAs = kUntitled;
        names.fileAsId = kFileUnderOwnText;
    }
    for (const std::string* part : {&first, &middle, &last})
        if (!part->empty()) names.initials += firstCharacter(*part) + ".";
    return names;
}

// What Outlook writes on every contact it saves, whatever the contact holds.
void ContactItem::putStandardProperties(PropertyList& list) const {
    using namespace tags;
    list.putText(PidTagMessageClass, messageClass_);
    list.put(PidTagImportance, PropValue::int32(1)); // normal
    list.put(PidTagSensitivity, PropValue::int32(private_ ? 2 : 0)); // private, else none
    list.put(PidTagPriority, PropValue::int32(0));    // normal
    list.put(PidTagMessageFlags,
             PropValue::int32(kMessageFlagRead | (attachments_.empty() ? 0 : kMessageFlagHasAttachments)));
    list.put(PidTagIconIndex, PropValue::int32(isList() ? kIconList : kIconContact));
    for (PropTag time : {PidTagClientSubmitTime, PidTagMessageDeliveryTime, PidTagCreationTime})
        list.put(time, PropValue::systime(created_));
    list.put(PidTagLastModificationTime, PropValue::systime(fileTimeNow()));
    list.put(PidTagSearchKey, PropValue::binary(searchKey_));
    list.put(PidTagConversationIndex, PropValue::binary(conversationIndex_));
    // Submission flags Outlook sets on every item it saves.
    list.put(PidTagAlternateRecipientAllowed, PropValue::boolean(true));
    list.put(PidTagOriginatorDeliveryReportRequested, PropValue::boolean(false));
    list.put(PidTagReadReceiptRequested, PropValue::boolean(false));
    list.put(PidTagDeleteAfterSubmit, PropValue::boolean(false));
    if (!isList()) list.put(PidTagSendInternetEncoding, PropValue::int32(0));
    list.put(PidTagMessageLocaleId, PropValue::int32(0));
    if (!isList()) list.put(PidLidContactCharacterSet, PropValue::int32(kCharacterSetDefault));
    list.put(PidLidAutoLog, PropValue::boolean(false));
    list.put(PidLidCurrentVersion, PropValue::int32(kOutlookVersion));
    list.putText(PidLidCurrentVersionName, kOutlookVersionName);
    list.put(PidLidSideEffects, PropValue::int32(kSideEffectsOpenToCopy));
    list.put(PidLidPrivate, PropValue::boolean(private_));
    list.put(PidLidReminderSet, PropValue::boolean(false));
    list.put(PidLidReminderDelta, PropValue::int32(0));
    list.put(PidLidAgingDontAgeMe, PropValue::boolean(false));
    if (isList()) {
        // What Outlook writes empty on a list it saves.
        for (PropTag tag : {PidTagAccount, PidTagCallbackTelephoneNumber, PidTagLanguage, PidTagLocation,
                            PidTagCompanyName, PidTagTitle, PidTagDepartmentName, PidTagCountry, PidTagLocality,
                            PidTagStateOrProvince, PidTagDisplayNamePrefix})
            list.putText(tag, "");
        for (const NamedTag& named : {PidLidReferredBy, PidLidDepartment, PidLidInstantMessagingAddress})
            list.putText(named, "");
        return;
    }
    list.put(PidLidReferenceEntryId, PropValue::binary(entryId(folder_->store().uid(), nid_)));

    // Fields of Outlook's contact form that it writes empty when they hold nothing.
    for (ContactField field : {ContactField::Generation, ContactField::CompanyName, ContactField::JobTitle,
                               ContactField::Department, ContactField::DisplayNamePrefix})
        if (text(field).empty()) list.putText(storageOf(field), "");
    for (PropTag tag : {PidTagAccount, PidTagCallbackTelephoneNumber, PidTagLanguage, PidTagLocation})
        list.putText(tag, "");
    for (const NamedTag& named : {PidLidReferredBy, PidLidDepartment}) list.putText(named, "");
    list.putText(PidLidInstantMessagingAddress, text(ContactField::InstantMessagingAddress));
}

// A list: its name (also the text it is filed under, by no rule), its members in the
// multi-valued form with their checksum, or in the stream form where either property
// would reach Outlook's limit, and its body and categories.
void ContactItem::putListProperties(PropertyList& list) const {
    using namespace tags;
    const std::string& name = text(ContactField::DisplayName);
    list.putText(PidTagSubject, std::string("\x01\x01", 2) + name);
    list.putText(PidTagConversationTopic, name);
    list.putText(PidTagDisplayName, name);
    list.putText(PidLidFileUnder, name);
    list.put(PidLidFileUnderId, PropValue::int32(kFileUnderOwnText));
    list.putText(PidLidDistributionListName, name);
    list.put(PidLidAddressBookProviderArrayType, PropValue::int32(0));
    if (listStream_) {
        list.put(PidLidDistributionListStream, *listStream_);
    } else {
        const ListMemberIds ids = listMemberIds(folder_->store().uid(), members_);
        // Also where empty: readers look for both.
        list.put(PidLidDistributionListMembers, PropValue::multiBinary(ids.entryIds));
        list.put(PidLidDistributionListOneOffMembers, PropValue::multiBinary(ids.oneOffs));
        list.put(PidLidDistributionListChecksum, PropValue::int32(static_cast<std::int32_t>(listChecksum(ids.entryIds))));
    }
    putDatesBodyAndCategories(list);
}

void ContactItem::putNamesAndFileAs(PropertyList& list, const Names& names) const {
    using namespace tags;
    if (!names.display.empty()) {
        // The subject carries no prefix: the leading pair marks a prefix of length 0.
        list.putText(PidTagSubject, std::string("\x01\x01", 2) + names.display);
        list.putText(PidTagConversationTopic, names.display);
        list.putText(PidTagDisplayName, names.display);
    }
    list.putText(PidTagInitials, names.initials);
    list.putText(PidLidFileUnder, names.fileAs);
    list.put(PidLidFileUnderId, PropValue::int32(names.fileAsId));
    list.put(PidLidFileUnderList,
             multiLong(std::vector<std::int32_t>(std::begin(kFileUnderChoices), std::end(kFileUnderChoices))));
}

// Each field set, in the property that holds it; the display name and the e-mail
// slots are laid out by the steps of their own.
void ContactItem::putFieldTexts(PropertyList& list) const {
    for (std::size_t index = 0; index < texts_.size(); ++index) {
        const ContactField field = static_cast<ContactField>(index);
        const std::string& value = texts_[index];
        if (value.empty()) continue;
        if (field == ContactField::DisplayName || field == ContactField::InstantMessagingAddress) continue;
        if (field == ContactField::Email1Address || field == ContactField::Email2Address ||
            field == ContactField::Email3Address || field == ContactField::Email1DisplayName ||
            field == ContactField::Email2DisplayName || field == ContactField::Email3DisplayName)
            continue;
        const FieldStorage where = storageOf(field);
        const bool multiValued = std::holds_alternative<PropTag>(where) &&
                                 ltp::tagType(std::get<PropTag>(where)) == ltp::PT_MV_UNICODE;
        if (multiValued)
            list.put(where, PropValue::multiUnicode(field == ContactField::Children && !children_.empty()
                                                        ? children_
                                                        : std::vector<std::string>{value}));
        else list.putText(where, value);
    }
}

// The e-mail slots, with the type, display names and entry Outlook keeps beside each.
void ContactItem::putEmailEntries(PropertyList& list, const std::string& displayName, Entries& entries) const {
    static constexpr ContactField kAddresses[] = {ContactField::Email1Address, ContactField::Email2Address,
                                                  ContactField::Email3Address};
    static constexpr ContactField kDisplayNames[] = {ContactField::Email1DisplayName, ContactField::Email2DisplayName,
                                                     ContactField::Email3DisplayName};
    for (int slot = 0; slot < 3; ++slot) {
        const std::string& address = text(kAddresses[slot]);
        if (address.empty()) continue;
        // The name shown with the address: the address's own where given, else the
        // contact's, as Outlook fills it in.
        std::string shown = text(kDisplayNames[slot]);
        if (shown.empty()) shown = displayName.empty() ? address : displayName;
        const tags::EmailSlot& entry = tags::kEmailSlots[slot];
        list.putText(entry.address, address);
        list.putText(entry.addressType, "SMTP");
        list.putText(entry.displayName, shown);
        list.putText(entry.originalDisplayName, address);
        list.put(entry.originalEntryId, PropValue::binary(oneOffEntryId(shown, "SMTP", address)));
        entries.numbers.push_back(slot);
        entries.mask |= 1 << slot;
    }
    if (text(ContactField::Email1Address).empty() && !text(ContactField::Email1DisplayName).empty())
        list.putText(tags::PidLidEmail1DisplayName, text(ContactField::Email1DisplayName));
    std::vector<std::int32_t> displayNames;
    for (const tags::EmailSlot& slot : tags::kEmailSlots) displayNames.push_back(std::int32_t(slot.displayName.lid));
    list.put(tags::kEmailDisplayNameList, multiLong(displayNames));
}

// The business and home fax entries ("Name@number", as Outlook addresses a fax) and
// the other fax, which Outlook keeps as the primary fax.
void ContactItem::putFaxEntries(PropertyList& list, const std::string& displayName, Entries& entries) const {
    static constexpr ContactField kFaxes[] = {ContactField::BusinessFax, ContactField::HomeFax, ContactField::OtherFax};
    for (int fax = 0; fax < 3; ++fax) {
        const std::string& number = text(kFaxes[fax]);
        const std::string address = number.empty() ? "" : displayName.empty() ? number : displayName + "@" + number;
        const tags::FaxSlot& entry = tags::kFaxSlots[fax];
        list.putText(entry.addressType, "FAX");
        list.putText(entry.address, address);
        list.putText(entry.originalDisplayName, number.empty() ? "" : displayName);
        if (number.empty()) continue;
        list.put(entry.originalEntryId, PropValue::binary(oneOffEntryId(displayName, "FAX", address)));
        entries.numbers.push_back(kFirstFaxEntry + fax);
        entries.mask |= 1 << (kFirstFaxEntry + fax);
    }
}

// The whole addresses Outlook shows, composed from their parts where not given, and
// the business address as the mailing address (readers take the mailing address
// properties for the business address, so a home address is not copied).
void ContactItem::putAddresses(PropertyList& list) const {
    using namespace tags;
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
    const std::string& givenWork = text(ContactField::WorkAddress);
    const std::string workWhole = !givenWork.empty() ? givenWork
        : wholeAddress(ContactField::WorkAddressStreet, ContactField::WorkAddressCity, ContactField::WorkAddressState,
                       ContactField::WorkAddressPostalCode, ContactField::WorkAddressCountry);
    if (!workWhole.empty() && givenWork.empty()) list.putText(PidLidWorkAddress, workWhole);
    const std::string homeWhole =
        wholeAddress(ContactField::HomeAddressStreet, ContactField::HomeAddressCity, ContactField::HomeAddressState,
                     ContactField::HomeAddressPostalCode, ContactField::HomeAddressCountry);
    if (!homeWhole.empty()) list.putText(PidLidHomeAddress, homeWhole);
    // The mailing address: the business one, or the empty country, city and state that
    // Outlook writes where none is chosen.
    const std::pair<PropTag, ContactField> copies[] = {
        {PidTagStreetAddress, ContactField::WorkAddressStreet}, {PidTagLocality, ContactField::WorkAddressCity},
        {PidTagStateOrProvince, ContactField::WorkAddressState}, {PidTagPostalCode, ContactField::WorkAddressPostalCode},
        {PidTagCountry, ContactField::WorkAddressCountry}};
    if (!workWhole.empty()) {
        list.put(PidLidPostalAddressId, PropValue::int32(kPostalAddressWork));
        for (const auto& [tag, field] : copies)
            if (!text(field).empty()) list.putText(tag, text(field));
        list.putText(PidTagPostalAddress, workWhole);
    }
    for (const auto& [tag, field] : {copies[1], copies[2], copies[4]}) // city, state, country
        if (workWhole.empty() || text(field).empty()) list.putText(tag, "");
}

void ContactItem::putDatesBodyAndCategories(PropertyList& list) const {
    using namespace tags;
    if (birthday_) {
        list.put(PidTagBirthday, PropValue::systime(localMidnight(*birthday_)));
        list.put(PidLidBirthdayLocal, PropValue::systime(utcMidnight(*birthday_)));
    }
    if (anniversary_) {
        list.put(PidTagWeddingAnniversary, PropValue::systime(localMidnight(*anniversary_)));
        list.put(PidLidWeddingAnniversaryLocal, PropValue::systime(utcMidnight(*anniversary_)));
    }
    if (body_) list.put(PidTagBody, *body_);
    if (!categories_.empty())
        list.put(makeTag(list.names().idOf(PropertyName{kPsPublicStrings, std::string(PidNameKeywords)}),
                         ltp::PT_MV_UNICODE),
                 PropValue::multiUnicode(categories_));
}

void ContactItem::addAttachment(std::string_view fileName, bool contactPicture) {
    finishAttachment();
    Attachment attachment;
    attachment.fileName = std::string(fileName);
    attachment.contactPicture = contactPicture;
    attachment.created = fileTimeNow();
    attachment.data = PropValue::binary({});
    attachments_.push_back(std::move(attachment));
    attaching_ = std::make_unique<ltp::StreamedValueWriter>(folder_->store().nodeDatabase());
}

void ContactItem::appendAttachment(std::span<const std::uint8_t> bytes) {
    if (!attaching_) throw StoreError("No attachment was added to take these bytes.");
    attaching_->appendBinary(bytes);
}

void ContactItem::finishAttachment() {
    if (!attaching_) return;
    PropValue data = attaching_->finishBinary();
    attaching_.reset();
    written_.add(data.writtenBlocks);
    attachments_.back().data = std::move(data);
}

void ContactItem::save() {
    finishAttachment();
    MessageStore& store = folder_->store();
    PropertyList list(store.names(), store.nodeDatabase(), written_);
    std::map<PropTag, PropValue> row;
    try {
        putAll(list);
        for (const auto& [tag, value] : list.all())
            if (isRowColumn(tag)) row[tag] = value;
        ndb::NodeContent node = ltp::PropertyContextBuilder::build(std::move(list.all()));
        addAttachmentSubnodes(node, attachments_);
        store.putNode(nid_, folder_->nid(), node);
    } catch (...) {
        written_.drop(list.textBlocks()); // no node names them
        throw;
    }
    // The long texts of the last save are named no more.
    written_.drop(savedTextBlocks_);
    written_.nodePut();
    savedTextBlocks_ = list.textBlocks();
    folder_->recordItem(nid_, std::move(row), !saved_);
    saved_ = true;
}

} // namespace brenmoor::pst::messaging
