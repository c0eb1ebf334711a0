// The text fields of a contact item and the property each one is stored in: a
// canonical property tag, or a named property of the contact property set. The
// e-mail slots are fields too; what Outlook keeps beside an address (its type, its
// display names, the slot list) is derived when the item is saved.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "pst/ltp/property_value.h"
#include "pst/messaging/named_property_map.h"
#include "pst/messaging/property_tags.h"

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
    Spouse, Children, DisplayName, Nickname, PersonalHomePage,
    AssistantPhone, Business2Phone, CarPhone, Home2Phone, OtherFax, PrimaryPhone,
    InstantMessagingAddress, Email2DisplayName, Email3DisplayName, YomiFirstName, YomiLastName,
};
inline constexpr std::size_t kContactFieldCount = std::size_t(ContactField::YomiLastName) + 1;

enum class ContactDate { Birthday, Anniversary };

// Where a field's value is stored: a tagged property, or a named one of the contact
// property set.
using FieldStorage = std::variant<ltp::PropTag, NamedTag>;

FieldStorage storageOf(ContactField field);

// Every named property contact items may carry, so that a new store's name-to-ID map
// names them from the start.
std::vector<PropertyName> contactPropertyNames();

} // namespace brenmoor::pst::messaging
