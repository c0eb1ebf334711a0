// The text fields of a contact item and the property each one is stored in: a
// canonical property tag, or a named property of the contact property set. The
// e-mail slots are fields too; what Outlook keeps beside an address (its type, its
// display names, the slot list) is derived when the item is saved.
#pragma once

#include <cstdint>
#include <vector>

#include "pst/ltp/property_value.h"

namespace brenmoor::pst::messaging {

enum class ContactField {
    GivenName, MiddleName, Surname, DisplayNamePrefix, Generation,
    Email1Address, Email2Address, Email3Address, Email1DisplayName,
    CompanyName, JobTitle, Department, OfficeLocation, ManagerName, Assistant,
    WorkAddressStreet, WorkAddressCity, WorkAddressState, WorkAddressPostalCode,
    WorkAddressCountry, WorkAddress,
    BusinessPhone, BusinessFax, MobilePhone, Pager, BusinessHomePage,
    HomeAddressStreet, HomeAddressCity, HomeAddressState, HomeAddressPostalCode,
    HomeAddressCountry, HomePhone, HomeFax,
    Spouse, Children, FullName, Nickname, PersonalHomePage,
};

enum class ContactDate { Birthday, Anniversary };

// Where a field's value is stored: a canonical tag (id below 0x8000), or the LID of
// a named property in the contact property set. Children is multi-valued.
struct FieldStorage {
    bool named = false;
    std::uint32_t idOrLid = 0;
    ltp::PropType type = ltp::PT_UNICODE;
};

FieldStorage storageOf(ContactField field);

// Every named property of the contact property set that contact items may carry, so a
// new store's name-to-ID map names them from the start.
std::vector<std::uint32_t> contactLids();

// Named properties of the contact property set that items carry beside the fields.
namespace lid {
inline constexpr std::uint32_t kFileUnder = 0x8005;
inline constexpr std::uint32_t kFileUnderId = 0x8006;
inline constexpr std::uint32_t kPostalAddressId = 0x8022; // 1 home, 2 work
inline constexpr std::uint32_t kHomeAddress = 0x801A;
inline constexpr std::uint32_t kWorkAddress = 0x801B;
inline constexpr std::uint32_t kAddressBookProviderEmailList = 0x8028;
inline constexpr std::uint32_t kAddressBookProviderArrayType = 0x8029;
inline constexpr std::uint32_t kEmail1DisplayName = 0x8080;
inline constexpr std::uint32_t kBirthdayLocal = 0x80DE;
inline constexpr std::uint32_t kWeddingAnniversaryLocal = 0x80DF;
// Per e-mail slot (0..2): display name, address type, address, original display name.
constexpr std::uint32_t emailDisplayName(int slot) { return 0x8080 + 0x10 * slot; }
constexpr std::uint32_t emailAddressType(int slot) { return 0x8082 + 0x10 * slot; }
constexpr std::uint32_t emailAddress(int slot) { return 0x8083 + 0x10 * slot; }
constexpr std::uint32_t emailOriginalDisplayName(int slot) { return 0x8084 + 0x10 * slot; }
constexpr std::uint32_t emailOriginalEntryId(int slot) { return 0x8085 + 0x10 * slot; }
} // namespace lid

} // namespace brenmoor::pst::messaging
