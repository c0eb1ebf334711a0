// The catalogue of contact items: the 48 Notes item names the program reads, in the
// order the detail view fills its boxes. The viewer and every writer refer to items
// through ContactItem, never by spelling a Notes item name again.
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

enum class DetailTab { NameRows, Business, Personal, Briefcase, Advanced };

struct ContactItemInfo {
    ContactItem item;
    std::string_view notesName;   // the Notes item name, spelled exactly
    std::string_view box;         // objectName of the detail-view text box
    std::string_view label;       // the label beside that box ("" where the frame names it)
    DetailTab tab;
    std::string_view frame;       // caption of the frame holding the box ("" for the name rows)
};

inline constexpr std::array<ContactItemInfo, kContactItemCount> kContactItems{{
    {ContactItem::FirstName, "FirstName", "First", "First", DetailTab::NameRows, ""},
    {ContactItem::MiddleInitial, "MiddleInitial", "Middle", "Middle", DetailTab::NameRows, ""},
    {ContactItem::LastName, "LastName", "Last", "Last", DetailTab::NameRows, ""},
    {ContactItem::Title, "Title", "Title", "Title", DetailTab::NameRows, ""},
    {ContactItem::Suffix, "Suffix", "Suffix", "Suffix", DetailTab::NameRows, ""},
    {ContactItem::MailAddress, "MailAddress", "email", "Email", DetailTab::NameRows, ""},
    {ContactItem::CompanyName, "CompanyName", "Company", "Company", DetailTab::Business, "Business"},
    {ContactItem::JobTitle, "JobTitle", "JobTitle", "Job Title", DetailTab::Business, "Business"},
    {ContactItem::OfficeStreetAddress, "OfficeStreetAddress", "OfficeStreet", "Street", DetailTab::Business, "Business Address"},
    {ContactItem::OfficeCity, "OfficeCity", "OfficeCity", "City", DetailTab::Business, "Business Address"},
    {ContactItem::OfficeState, "OfficeState", "OfficeState", "State/Province", DetailTab::Business, "Business Address"},
    {ContactItem::OfficeZip, "OfficeZip", "Officezip", "Zip/Postal", DetailTab::Business, "Business Address"},
    {ContactItem::OfficeCountry, "OfficeCountry", "OfficeCountry", "Country", DetailTab::Business, "Business Address"},
    {ContactItem::OfficePhoneNumber, "OfficePhoneNumber", "Officephone", "Office phone", DetailTab::Business, "Contact Information"},
    {ContactItem::OfficeFaxPhoneNumber, "OfficeFaxPhoneNumber", "Officefax", "Office fax", DetailTab::Business, "Contact Information"},
    {ContactItem::CellPhoneNumber, "CellPhoneNumber", "OfficeCellphone", "Cell phone", DetailTab::Business, "Contact Information"},
    {ContactItem::PhoneNumber_6, "PhoneNumber_6", "OfficePager", "Pager", DetailTab::Business, "Contact Information"},
    {ContactItem::MiscPhone1, "MiscPhone1", "OfficeOtheremail1", "Other email 1", DetailTab::Business, "Contact Information"},
    {ContactItem::MiscPhone2, "MiscPhone2", "OfficeOtheremail2", "Other email 2", DetailTab::Business, "Contact Information"},
    {ContactItem::MiscPhone3, "MiscPhone3", "OfficeOtheremail3", "Other email 3", DetailTab::Business, "Contact Information"},
    {ContactItem::Location, "Location", "Location", "Location", DetailTab::Business, "Business Address"},
    {ContactItem::WebSite, "WebSite", "WebSite", "Web page", DetailTab::Business, "Business Address"},
    {ContactItem::Department, "Department", "Dept", "Dept", DetailTab::Business, "Contact Information"},
    {ContactItem::Manager, "Manager", "Manager", "Manager", DetailTab::Business, "Contact Information"},
    {ContactItem::Assistant, "Assistant", "Assistant", "Assistant", DetailTab::Business, "Contact Information"},
    {ContactItem::StreetAddress, "StreetAddress", "Per_Street", "Street", DetailTab::Personal, "Persional"},
    {ContactItem::City, "City", "Per_City", "City", DetailTab::Personal, "Persional"},
    {ContactItem::State, "State", "Per_State", "State/Province", DetailTab::Personal, "Persional"},
    {ContactItem::Zip, "Zip", "Per_Zip", "Zip/postal", DetailTab::Personal, "Persional"},
    {ContactItem::Country, "Country", "Per_Country", "Country/Region", DetailTab::Personal, "Persional"},
    {ContactItem::Spouse, "Spouse", "Per_Spouse", "Spouse", DetailTab::Personal, "Family"},
    {ContactItem::Children, "Children", "Per_Children", "Children", DetailTab::Personal, "Family"},
    {ContactItem::PhoneNumber, "PhoneNumber", "Per_Home_phone", "Home phone", DetailTab::Personal, "Contact Information"},
    {ContactItem::HomeFaxPhoneNumber, "HomeFaxPhoneNumber", "Per_Home_fax", "Home fax", DetailTab::Personal, "Contact Information"},
    {ContactItem::PersPager, "PersPager", "Per_Cell_phone", "Cell phone", DetailTab::Personal, "Contact Information"},
    {ContactItem::Birthday, "Birthday", "Per_Birthday", "Birthday", DetailTab::Personal, "Contact Information"},
    {ContactItem::Anniversary, "Anniversary", "Per_Anniversary", "Anniversary", DetailTab::Personal, "Contact Information"},
    {ContactItem::Briefcase, "Briefcase", "Briefcase", "", DetailTab::Briefcase, "Contact Brifcase"},
    {ContactItem::Comment, "Comment", "Comment", "", DetailTab::Briefcase, "Comments"},
    {ContactItem::FullName, "FullName", "FullName", "Full name", DetailTab::Advanced, "Name"},
    {ContactItem::ShortName, "ShortName", "ShortName", "Short name", DetailTab::Advanced, "Name"},
    {ContactItem::AltFullNameSort, "AltFullNameSort", "AltFullNameSort", "Phonetic name", DetailTab::Advanced, "Name"},
    {ContactItem::MailDomain, "MailDomain", "MailDomain", "Mail domain", DetailTab::Advanced, "Name"},
    {ContactItem::Categories, "Categories", "Categories", "Categories", DetailTab::Advanced, "Organize"},
    {ContactItem::Prev, "Prev", "Prev", "Show in preview pane", DetailTab::Advanced, "Organize"},
    {ContactItem::NameDisplayPref, "NameDisplayPref", "NameDisplayPref", "Display name format", DetailTab::Advanced, "Organize"},
    {ContactItem::PublicKey, "PublicKey", "PublicKey", "Flat name key", DetailTab::Advanced, "Notes Certificate"},
    {ContactItem::Certificate, "Certificate", "Certificate", "Certified public key", DetailTab::Advanced, "Notes Certificate"},
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
