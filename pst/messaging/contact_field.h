// The text fields of a contact item and the property each one is stored in: a
// canonical property tag, or a named property of the contact property set. The
// e-mail slots are fields too; what Outlook keeps beside an address (its type, its
// display names, the slot list) is derived when the item is saved.
#pragma once

#include <cstdint>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/messaging/named_property_map.h"

namespace brenmoor::pst::messaging {

enum class ContactField {
    GivenName, MiddleName, Surname, DisplayNamePrefix, Generation,
    Email1Address, Email2Address, Email3Address, Email1DisplayName,
    CompanyName, JobTitle, Department, OfficeLocation, ManagerName, Assistant,
    WorkAddressStreet, WorkAddressCity, WorkAddressState, WorkAddressPostalCode,
    WorkAddressCountry, WorkAddress,
    BusinessPhone, BusinessFax, MobilePhone, Pager, OtherPhone, BusinessHomePage,
    HomeAddressStreet, HomeAddressCity, HomeAddressState, HomeAddressPostalCode,
    HomeAddressCountry, HomePhone, HomeFax,
    Spouse, Children, FullName, Nickname, PersonalHomePage,
};
inline constexpr std::size_t kContactFieldCount = std::size_t(ContactField::PersonalHomePage) + 1;

enum class ContactDate { Birthday, Anniversary };

// Where a field's value is stored: a canonical tag (id below 0x8000), or the LID of
// a named property in the contact property set. Children is multi-valued.
struct FieldStorage {
    bool named = false;
    std::uint32_t idOrLid = 0;
    ltp::PropType type = ltp::PT_UNICODE;
};

FieldStorage storageOf(ContactField field);

// {00062008-0000-0000-C000-000000000046}: properties common to all items.
inline constexpr Guid kPsetidCommon{0x08, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Every named property contact items may carry, so that a new store's name-to-ID map
// names them from the start.
std::vector<PropertyName> contactPropertyNames();

// Named properties of the contact property set that items carry beside the fields.
namespace lid {
inline constexpr std::uint32_t kFileUnder = 0x8005;
inline constexpr std::uint32_t kFileUnderId = 0x8006;
inline constexpr std::uint32_t kReferredBy = 0x800E;
inline constexpr std::uint32_t kDepartment = 0x8010;
inline constexpr std::uint32_t kHomeAddress = 0x801A;
inline constexpr std::uint32_t kWorkAddress = 0x801B;
inline constexpr std::uint32_t kPostalAddressId = 0x8022; // 1 home, 2 work
inline constexpr std::uint32_t kContactCharacterSet = 0x8023;
inline constexpr std::uint32_t kAutoLog = 0x8025;
inline constexpr std::uint32_t kFileUnderList = 0x8026;
inline constexpr std::uint32_t kEmailDisplayNameList = 0x8027; // the LIDs of the three display names
inline constexpr std::uint32_t kAddressBookProviderEmailList = 0x8028;
inline constexpr std::uint32_t kAddressBookProviderArrayType = 0x8029;
inline constexpr std::uint32_t kInstantMessagingAddress = 0x8062;
inline constexpr std::uint32_t kEmail1DisplayName = 0x8080;
inline constexpr std::uint32_t kBirthdayLocal = 0x80DE;
inline constexpr std::uint32_t kWeddingAnniversaryLocal = 0x80DF;
// Per e-mail slot (0..2): display name, address type, address, original display name.
constexpr std::uint32_t emailDisplayName(int slot) { return 0x8080 + 0x10 * slot; }
constexpr std::uint32_t emailAddressType(int slot) { return 0x8082 + 0x10 * slot; }
constexpr std::uint32_t emailAddress(int slot) { return 0x8083 + 0x10 * slot; }
constexpr std::uint32_t emailOriginalDisplayName(int slot) { return 0x8084 + 0x10 * slot; }
constexpr std::uint32_t emailOriginalEntryId(int slot) { return 0x8085 + 0x10 * slot; }
// Per fax entry (0 business, 1 home, 2 primary): address type, address, original
// display name, original entry ID.
constexpr std::uint32_t faxAddressType(int fax) { return 0x80B2 + 0x10 * fax; }
constexpr std::uint32_t faxAddress(int fax) { return 0x80B3 + 0x10 * fax; }
constexpr std::uint32_t faxOriginalDisplayName(int fax) { return 0x80B4 + 0x10 * fax; }
constexpr std::uint32_t faxOriginalEntryId(int fax) { return 0x80B5 + 0x10 * fax; }
} // namespace lid

// Named properties of the common property set that Outlook writes on every item.
namespace common {
inline constexpr std::uint32_t kReminderDelta = 0x8501;
inline constexpr std::uint32_t kReminderSet = 0x8503;
inline constexpr std::uint32_t kPrivate = 0x8506;
inline constexpr std::uint32_t kAgingDontAgeMe = 0x850E;
inline constexpr std::uint32_t kSideEffects = 0x8510;
inline constexpr std::uint32_t kCurrentVersion = 0x8552;
inline constexpr std::uint32_t kCurrentVersionName = 0x8554;
inline constexpr std::uint32_t kReferenceEntryId = 0x85BD;
} // namespace common

} // namespace brenmoor::pst::messaging
