// Where the contact detail view shows each catalogue item: the object name of its box,
// the label beside it, its tab and the caption of the frame holding it. The window's
// layout, kept apart from the catalogue so that the address book does not change when
// the window does.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "notes/contact_items.h"

namespace brenmoor::viewer {

enum class DetailTab { NameRows, Business, Personal, Briefcase, Advanced };

struct ItemPlace {
    notes::ContactItem item;
    std::string_view box;   // objectName of the text box
    std::string_view label; // the label beside that box ("" where the frame names it)
    DetailTab tab;
    std::string_view frame; // caption of the frame holding the box ("" for the name rows)
};

// In catalogue order, which is the order the view fills its boxes.
inline constexpr std::array<ItemPlace, notes::kContactItemCount> kItemPlaces{{
    {notes::ContactItem::FirstName, "First", "First", DetailTab::NameRows, ""},
    {notes::ContactItem::MiddleInitial, "Middle", "Middle", DetailTab::NameRows, ""},
    {notes::ContactItem::LastName, "Last", "Last", DetailTab::NameRows, ""},
    {notes::ContactItem::Title, "Title", "Title", DetailTab::NameRows, ""},
    {notes::ContactItem::Suffix, "Suffix", "Suffix", DetailTab::NameRows, ""},
    {notes::ContactItem::MailAddress, "email", "Email", DetailTab::NameRows, ""},
    {notes::ContactItem::CompanyName, "Company", "Company", DetailTab::Business, "Business"},
    {notes::ContactItem::JobTitle, "JobTitle", "Job Title", DetailTab::Business, "Business"},
    {notes::ContactItem::OfficeStreetAddress, "OfficeStreet", "Street", DetailTab::Business, "Business Address"},
    {notes::ContactItem::OfficeCity, "OfficeCity", "City", DetailTab::Business, "Business Address"},
    {notes::ContactItem::OfficeState, "OfficeState", "State/Province", DetailTab::Business, "Business Address"},
    {notes::ContactItem::OfficeZip, "Officezip", "Zip/Postal", DetailTab::Business, "Business Address"},
    {notes::ContactItem::OfficeCountry, "OfficeCountry", "Country", DetailTab::Business, "Business Address"},
    {notes::ContactItem::OfficePhoneNumber, "Officephone", "Office phone", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::OfficeFaxPhoneNumber, "Officefax", "Office fax", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::CellPhoneNumber, "OfficeCellphone", "Cell phone", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::PhoneNumber_6, "OfficePager", "Pager", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::MiscPhone1, "OfficeOtheremail1", "Other email 1", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::MiscPhone2, "OfficeOtheremail2", "Other email 2", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::MiscPhone3, "OfficeOtheremail3", "Other email 3", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::Location, "Location", "Location", DetailTab::Business, "Business Address"},
    {notes::ContactItem::WebSite, "WebSite", "Web page", DetailTab::Business, "Business Address"},
    {notes::ContactItem::Department, "Dept", "Dept", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::Manager, "Manager", "Manager", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::Assistant, "Assistant", "Assistant", DetailTab::Business, "Contact Information"},
    {notes::ContactItem::StreetAddress, "Per_Street", "Street", DetailTab::Personal, "Persional"},
    {notes::ContactItem::City, "Per_City", "City", DetailTab::Personal, "Persional"},
    {notes::ContactItem::State, "Per_State", "State/Province", DetailTab::Personal, "Persional"},
    {notes::ContactItem::Zip, "Per_Zip", "Zip/postal", DetailTab::Personal, "Persional"},
    {notes::ContactItem::Country, "Per_Country", "Country/Region", DetailTab::Personal, "Persional"},
    {notes::ContactItem::Spouse, "Per_Spouse", "Spouse", DetailTab::Personal, "Family"},
    {notes::ContactItem::Children, "Per_Children", "Children", DetailTab::Personal, "Family"},
    {notes::ContactItem::PhoneNumber, "Per_Home_phone", "Home phone", DetailTab::Personal, "Contact Information"},
    {notes::ContactItem::HomeFaxPhoneNumber, "Per_Home_fax", "Home fax", DetailTab::Personal, "Contact Information"},
    {notes::ContactItem::PersPager, "Per_Cell_phone", "Cell phone", DetailTab::Personal, "Contact Information"},
    {notes::ContactItem::Birthday, "Per_Birthday", "Birthday", DetailTab::Personal, "Contact Information"},
    {notes::ContactItem::Anniversary, "Per_Anniversary", "Anniversary", DetailTab::Personal, "Contact Information"},
    {notes::ContactItem::Briefcase, "Briefcase", "", DetailTab::Briefcase, "Contact Brifcase"},
    {notes::ContactItem::Comment, "Comment", "", DetailTab::Briefcase, "Comments"},
    {notes::ContactItem::FullName, "FullName", "Full name", DetailTab::Advanced, "Name"},
    {notes::ContactItem::ShortName, "ShortName", "Short name", DetailTab::Advanced, "Name"},
    {notes::ContactItem::AltFullNameSort, "AltFullNameSort", "Phonetic name", DetailTab::Advanced, "Name"},
    {notes::ContactItem::MailDomain, "MailDomain", "Mail domain", DetailTab::Advanced, "Name"},
    {notes::ContactItem::Categories, "Categories", "Categories", DetailTab::Advanced, "Organize"},
    {notes::ContactItem::Prev, "Prev", "Show in preview pane", DetailTab::Advanced, "Organize"},
    {notes::ContactItem::NameDisplayPref, "NameDisplayPref", "Display name format", DetailTab::Advanced, "Organize"},
    {notes::ContactItem::PublicKey, "PublicKey", "Flat name key", DetailTab::Advanced, "Notes Certificate"},
    {notes::ContactItem::Certificate, "Certificate", "Certified public key", DetailTab::Advanced, "Notes Certificate"},
}};

constexpr const ItemPlace& place(notes::ContactItem item) { return kItemPlaces[static_cast<std::size_t>(item)]; }

static_assert([] {
    for (std::size_t i = 0; i < notes::kContactItemCount; ++i)
        if (static_cast<std::size_t>(kItemPlaces[i].item) != i) return false;
    return true;
}());

} // namespace brenmoor::viewer
