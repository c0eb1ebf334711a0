// The text export: each contact's 45 entries as "Label :" + nine spaces + value + " ".
#include "export/text_writer.h"

#include <array>

#include "export/contact_file_writer.h"
#include "export/item_view.h"
#include "export/line_breaks.h"

namespace brenmoor::exporting {

namespace {

using notes::ContactItem;

// Business entries give the country before the postal code, home entries after it;
// the full name stands first and again at line 41.
constexpr std::array<LabelledItem, 45> kEntries{{
    {"Full Name :         ", ContactItem::FullName},
    {"First Name :         ", ContactItem::FirstName},
    {"Last Name :         ", ContactItem::LastName},
    {"Middle Name :         ", ContactItem::MiddleInitial},
    {"Title :         ", ContactItem::Title},
    {"Suffix :         ", ContactItem::Suffix},
    {"Email Address :         ", ContactItem::MailAddress},
    {"Company Name :         ", ContactItem::CompanyName},
    {"Job Title :         ", ContactItem::JobTitle},
    {"Business Street Address :         ", ContactItem::OfficeStreetAddress},
    {"Business Address City :         ", ContactItem::OfficeCity},
    {"Business Address State :         ", ContactItem::OfficeState},
    {"Business Address Country :         ", ContactItem::OfficeCountry},
    {"Business Address Postal Code :         ", ContactItem::OfficeZip},
    {"Business Telephone Number :         ", ContactItem::OfficePhoneNumber},
    {"Business Fax Number :         ", ContactItem::OfficeFaxPhoneNumber},
    {"Mobile Telephone Number :         ", ContactItem::CellPhoneNumber},
    {"Pager Number :         ", ContactItem::PhoneNumber_6},
    {"Email 1 Address :         ", ContactItem::MiscPhone1},
    {"Email 2 Address :         ", ContactItem::MiscPhone2},
    {"Email 3 Address :         ", ContactItem::MiscPhone3},
    {"Office Location :         ", ContactItem::Location},
    {"Web Page :         ", ContactItem::WebSite},
    {"Department :         ", ContactItem::Department},
    {"Manager :         ", ContactItem::Manager},
    {"Assistant :         ", ContactItem::Assistant},
    {"Home Address Street :         ", ContactItem::StreetAddress},
    {"Home Address City :         ", ContactItem::City},
    {"Home Address State :         ", ContactItem::State},
    {"Home Address Postal Code :         ", ContactItem::Zip},
    {"Home Address Country :         ", ContactItem::Country},
    {"Spouse :         ", ContactItem::Spouse},
    {"Children :         ", ContactItem::Children},
    {"Home Telephone Number :         ", ContactItem::PhoneNumber},
    {"Home Fax Number :         ", ContactItem::HomeFaxPhoneNumber},
    {"Pers Pager :         ", ContactItem::PersPager},
    {"Birthday :         ", ContactItem::Birthday},
    {"Anniversary :         ", ContactItem::Anniversary},
    {"Briefcase :         ", ContactItem::Briefcase},
    {"Comment :         ", ContactItem::Comment},
    {"Full Name :         ", ContactItem::FullName},
    {"Nick Name :         ", ContactItem::ShortName},
    {"Personal Home Page :         ", ContactItem::MailDomain},
    {"Categories :         ", ContactItem::Categories},
    {"Email 1 Display Name :         ", ContactItem::NameDisplayPref},
}};

} // namespace

std::string textPage(const notes::ContactDocument& doc) {
    std::string page;
    page.reserve(2048);
    for (const LabelledItem& entry : kEntries) {
        page += entry.label;
        appendWithCrLf(page, doc.itemText(entry.item));
        page += " \r\n";
    }
    return page;
}

std::unique_ptr<FormatWriter> makeTextWriter() {
    return makeContactFileWriter(".txt", textPage);
}

} // namespace brenmoor::exporting
