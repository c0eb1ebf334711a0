// The catalogue of contact items: the 48 Notes item names the program reads. The viewer
// and every writer refer to items through ContactItem, never by spelling a Notes item
// name again; where the window shows each item is the viewer's (viewer/item_places.h).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace brenmoor::notes {

enum class ContactItem : std::size_t {
    FirstName, MiddleInitial, LastName, Title, Suffix, MailAddress,
    CompanyName, JobTitle, OfficeStreetAddress, OfficeCity, OfficeState, OfficeZip,
    OfficeCountry, OfficePhoneNumber, OfficeFaxPhoneNumber, CellPhoneNumber, PhoneNumber_6,
    MiscPhone1, MiscPhone2, MiscPhone3, Location, WebSite, Department, Manager, Assistant,
    StreetAddress, City, State, Zip, Country, Spouse, Children, PhoneNumber,
    HomeFaxPhoneNumber, PersPager, Birthday, Anniversary, Briefcase, Comment,
    FullName, ShortName, AltFullNameSort, MailDomain, Categories, Prev, NameDisplayPref,
    PublicKey, Certificate,
};

inline constexpr std::size_t kContactItemCount = 48;

struct ContactItemInfo {
    ContactItem item;
    std::string_view notesName; // the Notes item name, spelled exactly
};

// In enum order. The order is part of every name-based contact UID (contact_uid.h):
// new items go at the end, and none moves.
inline constexpr std::array<ContactItemInfo, kContactItemCount> kContactItems{{
    {ContactItem::FirstName, "FirstName"},
    {ContactItem::MiddleInitial, "MiddleInitial"},
    {ContactItem::LastName, "LastName"},
    {ContactItem::Title, "Title"},
    {ContactItem::Suffix, "Suffix"},
    {ContactItem::MailAddress, "MailAddress"},
    {ContactItem::CompanyName, "CompanyName"},
    {ContactItem::JobTitle, "JobTitle"},
    {ContactItem::OfficeStreetAddress, "OfficeStreetAddress"},
    {ContactItem::OfficeCity, "OfficeCity"},
    {ContactItem::OfficeState, "OfficeState"},
    {ContactItem::OfficeZip, "OfficeZip"},
    {ContactItem::OfficeCountry, "OfficeCountry"},
    {ContactItem::OfficePhoneNumber, "OfficePhoneNumber"},
    {ContactItem::OfficeFaxPhoneNumber, "OfficeFaxPhoneNumber"},
    {ContactItem::CellPhoneNumber, "CellPhoneNumber"},
    {ContactItem::PhoneNumber_6, "PhoneNumber_6"},
    {ContactItem::MiscPhone1, "MiscPhone1"},
    {ContactItem::MiscPhone2, "MiscPhone2"},
    {ContactItem::MiscPhone3, "MiscPhone3"},
    {ContactItem::Location, "Location"},
    {ContactItem::WebSite, "WebSite"},
    {ContactItem::Department, "Department"},
    {ContactItem::Manager, "Manager"},
    {ContactItem::Assistant, "Assistant"},
    {ContactItem::StreetAddress, "StreetAddress"},
    {ContactItem::City, "City"},
    {ContactItem::State, "State"},
    {ContactItem::Zip, "Zip"},
    {ContactItem::Country, "Country"},
    {ContactItem::Spouse, "Spouse"},
    {ContactItem::Children, "Children"},
    {ContactItem::PhoneNumber, "PhoneNumber"},
    {ContactItem::HomeFaxPhoneNumber, "HomeFaxPhoneNumber"},
    {ContactItem::PersPager, "PersPager"},
    {ContactItem::Birthday, "Birthday"},
    {ContactItem::Anniversary, "Anniversary"},
    {ContactItem::Briefcase, "Briefcase"},
    {ContactItem::Comment, "Comment"},
    {ContactItem::FullName, "FullName"},
    {ContactItem::ShortName, "ShortName"},
    {ContactItem::AltFullNameSort, "AltFullNameSort"},
    {ContactItem::MailDomain, "MailDomain"},
    {ContactItem::Categories, "Categories"},
    {ContactItem::Prev, "Prev"},
    {ContactItem::NameDisplayPref, "NameDisplayPref"},
    {ContactItem::PublicKey, "PublicKey"},
    {ContactItem::Certificate, "Certificate"},
}};

constexpr const ContactItemInfo& info(ContactItem item) {
    return kContactItems[static_cast<std::size_t>(item)];
}
constexpr std::string_view notesName(ContactItem item) { return info(item).notesName; }

// The catalogue item a Notes item name spells, without regard to case; nothing for the
// names the catalogue does not hold.
std::optional<ContactItem> catalogueItem(std::string_view name);

// The catalogue lists the items in enum order.
static_assert([] {
    for (std::size_t i = 0; i < kContactItemCount; ++i)
        if (static_cast<std::size_t>(kContactItems[i].item) != i) return false;
    return true;
}());

} // namespace brenmoor::notes
