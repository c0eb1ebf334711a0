// The 44 rows of a contact's text and HTML pages, in their order: each item with its
// label as the HTML page writes it. The text page puts the full name before them and
// writes each label without its trailing space, followed by " :" and nine spaces.
#pragma once

#include <array>

#include "export/item_view.h"

namespace brenmoor::exporting {

// Labels with a trailing space keep it: it is in the HTML page.
inline constexpr std::array<LabelledItem, 44> kContactPageRows{{
    {"First Name", notes::ContactItem::FirstName},
    {"Last Name", notes::ContactItem::LastName},
    {"Middle Name", notes::ContactItem::MiddleInitial},
    {"Title", notes::ContactItem::Title},
    {"Suffix", notes::ContactItem::Suffix},
    {"Email Address", notes::ContactItem::MailAddress},
    {"Company Name", notes::ContactItem::CompanyName},
    {"Job Title", notes::ContactItem::JobTitle},
    {"Business Street Address", notes::ContactItem::OfficeStreetAddress},
    {"Business Address City", notes::ContactItem::OfficeCity},
    {"Business Address State", notes::ContactItem::OfficeState},
    {"Business Address Country", notes::ContactItem::OfficeCountry},
    {"Business Address Postal Code", notes::ContactItem::OfficeZip},
    {"Business Telephone Number", notes::ContactItem::OfficePhoneNumber},
    {"Business Fax Number", notes::ContactItem::OfficeFaxPhoneNumber},
    {"Mobile Telephone Number", notes::ContactItem::CellPhoneNumber},
    {"Pager Number", notes::ContactItem::PhoneNumber_6},
    {"Email 1 Address ", notes::ContactItem::MiscPhone1},
    {"Email 2 Address ", notes::ContactItem::MiscPhone2},
    {"Email 3 Address ", notes::ContactItem::MiscPhone3},
    {"Office Location", notes::ContactItem::Location},
    {"Web Page ", notes::ContactItem::WebSite},
    {"Department", notes::ContactItem::Department},
    {"Manager", notes::ContactItem::Manager},
    {"Assistant", notes::ContactItem::Assistant},
    {"Home Address Street", notes::ContactItem::StreetAddress},
    {"Home Address City ", notes::ContactItem::City},
    {"Home Address State ", notes::ContactItem::State},
    {"Home Address Postal Code ", notes::ContactItem::Zip},
    {"Home Address Country", notes::ContactItem::Country},
    {"Spouse", notes::ContactItem::Spouse},
    {"Children", notes::ContactItem::Children},
    {"Home Telephone Number", notes::ContactItem::PhoneNumber},
    {"Home Fax Number", notes::ContactItem::HomeFaxPhoneNumber},
    {"Pers Pager", notes::ContactItem::PersPager},
    {"Birthday", notes::ContactItem::Birthday},
    {"Anniversary", notes::ContactItem::Anniversary},
    {"Briefcase", notes::ContactItem::Briefcase},
    {"Comment", notes::ContactItem::Comment},
    {"Full Name", notes::ContactItem::FullName},
    {"Nick Name", notes::ContactItem::ShortName},
    {"Personal Home Page", notes::ContactItem::MailDomain},
    {"Categories", notes::ContactItem::Categories},
    {"Email 1 Display Name", notes::ContactItem::NameDisplayPref},
}};

} // namespace brenmoor::exporting
