// Building the contact of a document, one group of fields at a time.
#include "contact/contact_from_document.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <utility>

#include "contact/contact_uid.h"
#include "notes/dxl_datetime.h"

namespace brenmoor::contact {

namespace {

using notes::ContactDocument;
using notes::ContactItem;

constexpr std::string_view kWhiteSpace = " \t\r\n";
constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kValueSeparator = ", ";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

bool isBlank(std::string_view text) { return trimmed(text).empty(); }

// Every value of a text item, joined by separator.
std::string joined(const ContactDocument& doc, ContactItem item, std::string_view separator = kValueSeparator) {
    const notes::ItemValue* value = doc.find(notes::notesName(item));
    if (!value) return {};
    if (value->more.empty())
        return value->kind == notes::ItemValue::Kind::Text ? value->text : doc.itemText(item);
    std::string text;
    for (const std::string& each : doc.itemTexts(item)) {
        if (!text.empty()) text += separator;
        text += each;
    }
    return text;
}

// The values of an item that are not blank, as they are.
std::vector<std::string> valuesOf(const ContactDocument& doc, ContactItem item) {
    std::vector<std::string> values = doc.itemTexts(item);
    std::erase_if(values, [](const std::string& value) { return isBlank(value); });
    return values;
}

// The zone of a DXL date-time in minutes east of UTC ("-04" is -240, "+0530" 330, "Z" 0);
// nothing where the text records none.
std::optional<int> zoneMinutes(std::string_view written) {
    written = trimmed(written);
    const std::size_t clock = written.find('T');
    if (clock == std::string_view::npos) return std::nullopt;
    const std::size_t at = written.find_first_of("+-Z", clock);
    if (at == std::string_view::npos) return std::nullopt;
    if (written[at] == 'Z') return 0;
    const std::string_view digits = written.substr(at + 1);
    if (digits.size() != 2 && digits.size() != 4) return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    const int minutes = digits.size() == 2 ? value * 60 : (value / 100) * 60 + value % 100;
    return written[at] == '-' ? -minutes : minutes;
}

std::optional<Timestamp> revisionOf(std::string_view modified) {
    const auto parsed = notes::parseDxlDateTime(modified);
    if (!parsed || !parsed->hasDate) return std::nullopt;
    Timestamp stamp{parsed->year, parsed->month, parsed->day, parsed->hour, parsed->minute, parsed->second, false};
    const std::optional<int> zone = parsed->hasTime ? zoneMinutes(modified) : std::nullopt;
    if (!zone) return stamp;

    using namespace std::chrono;
    const sys_days day = year_month_day{year{stamp.year}, month{static_cast<unsigned>(stamp.month)},
                                        std::chrono::day{static_cast<unsigned>(stamp.day)}};
    const sys_seconds utc = day + hours{stamp.hour} + minutes{stamp.minute} + seconds{stamp.second} - minutes{*zone};
    const sys_days utcDay = floor<days>(utc);
    const year_month_day date{utcDay};
    const hh_mm_ss clock{utc - utcDay};
    return Timestamp{static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                     static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(clock.hours().count()),
                     static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()), true};
}

std::string formattedNameOf(const Contact& contact, const ContactDocument& doc) {
    std::string name;
    for (const std::string* part : {&contact.name.given, &contact.name.middle, &contact.name.family}) {
        if (part->empty()) continue;
        if (!name.empty()) name += ' ';
        name += *part;
    }
    if (name.empty()) name = commonName(doc.itemText(ContactItem::FullName));
    if (name.empty()) name = contact.organization;
    if (name.empty() && !contact.emails.empty()) name = contact.emails.front();
    return name;
}

// Addresses compare without regard to the case of ASCII letters (domains never have it,
// and mail systems ignore it in the local part).
bool sameAddress(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string> emailsOf(const ContactDocument& doc) {
    std::vector<std::string> emails;
    for (ContactItem item : {ContactItem::MailAddress, ContactItem::MiscPhone1, ContactItem::MiscPhone2,
                             ContactItem::MiscPhone3}) {
        for (const std::string& value : doc.itemTexts(item)) {
            const std::string_view address = trimmed(value);
            if (address.empty()) continue;
            bool repeated = false;
            for (const std::string& earlier : emails) repeated = repeated || sameAddress(earlier, address);
            if (!repeated) emails.emplace_back(address);
        }
    }
    return emails;
}

std::vector<Phone> phonesOf(const ContactDocument& doc) {
    static constexpr std::pair<ContactItem, PhoneKind> kPhones[] = {
        {ContactItem::OfficePhoneNumber, PhoneKind::WorkVoice}, {ContactItem::OfficeFaxPhoneNumber, PhoneKind::WorkFax},
        {ContactItem::CellPhoneNumber, PhoneKind::WorkCell},    {ContactItem::PhoneNumber_6, PhoneKind::WorkPager},
        {ContactItem::PhoneNumber, PhoneKind::HomeVoice},       {ContactItem::HomeFaxPhoneNumber, PhoneKind::HomeFax},
        {ContactItem::PersPager, PhoneKind::PersonalCell},
    };
    std::vector<Phone> phones;
    for (const auto& [item, kind] : kPhones)
        for (std::string& number : valuesOf(doc, item)) phones.push_back({kind, std::move(number)});
    return phones;
}

std::optional<Address> addressOf(const ContactDocument& doc, ContactItem street, ContactItem city, ContactItem region,
                                 ContactItem postalCode, ContactItem country) {
    Address address{joined(doc, street, kLineBreak), joined(doc, city), joined(doc, region), joined(doc, postalCode),
                    joined(doc, country)};
    if (address.street.empty() && address.city.empty() && address.region.empty() && address.postalCode.empty() &&
        address.country.empty())
        return std::nullopt;
    return address;
}

DateOrText dateOrTextOf(const ContactDocument& doc, ContactItem item) {
    DateOrText value;
    if (const std::optional<notes::Date> date = doc.itemDate(item))
        value.date = Date{date->year, date->month, date->day};
    else if (std::string text = joined(doc, item); !isBlank(text))
        value.text = std::move(text);
    return value;
}

std::vector<Related> relatedOf(const ContactDocument& doc) {
    static constexpr std::pair<ContactItem, Relation> kRelated[] = {
        {ContactItem::Spouse, Relation::Spouse},
        {ContactItem::Children, Relation::Child},
        {ContactItem::Manager, Relation::Manager},
        {ContactItem::Assistant, Relation::Assistant},
    };
    std::vector<Related> related;
    for (const auto& [item, relation] : kRelated)
        for (std::string& name : valuesOf(doc, item)) related.push_back({relation, std::move(name)});
    return related;
}

std::string noteOf(const ContactDocument& doc) {
    std::string comment = joined(doc, ContactItem::Comment, kLineBreak);
    std::string briefcase = joined(doc, ContactItem::Briefcase, kLineBreak);
    if (isBlank(briefcase)) return comment;
    if (comment.empty()) return briefcase;
    return briefcase + "\r\n\r\n" + comment;
}

std::vector<std::string> categoriesOf(const ContactDocument& doc) {
    std::vector<std::string> values = valuesOf(doc, ContactItem::Categories);
    if (values.size() != 1 || values.front().find_first_of(",;") == std::string::npos) return values;
    std::vector<std::string> categories;
    std::string_view rest = values.front();
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find_first_of(",;"), rest.size());
        if (const std::string_view category = trimmed(rest.substr(0, end)); !category.empty())
            categories.emplace_back(category);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return categories;
}

} // namespace

std::string commonName(std::string_view userName) {
    std::string_view name = trimmed(userName);
    name = trimmed(name.substr(0, name.find('/')));
    if (name.size() >= 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'N' || name[1] == 'n') && name[2] == '=')
        name = trimmed(name.substr(3));
    return std::string(name);
}

Contact contactFromDocument(const ContactDocument& doc) {
    Contact contact;
    contact.uid = contactUid(doc);
    contact.revision = revisionOf(doc.noteInfo().modified);

    contact.name = Name{joined(doc, ContactItem::Title), joined(doc, ContactItem::FirstName),
                        joined(doc, ContactItem::MiddleInitial), joined(doc, ContactItem::LastName),
                        joined(doc, ContactItem::Suffix)};
    contact.nickname = joined(doc, ContactItem::ShortName);
    contact.organization = joined(doc, ContactItem::CompanyName);
    contact.unit = joined(doc, ContactItem::Department);
    contact.jobTitle = joined(doc, ContactItem::JobTitle);
    contact.office = joined(doc, ContactItem::Location);
    contact.webPage = joined(doc, ContactItem::WebSite);

    contact.emails = emailsOf(doc);
    contact.phones = phonesOf(doc);
    contact.workAddress = addressOf(doc, ContactItem::OfficeStreetAddress, ContactItem::OfficeCity,
                                    ContactItem::OfficeState, ContactItem::OfficeZip, ContactItem::OfficeCountry);
    contact.homeAddress = addressOf(doc, ContactItem::StreetAddress, ContactItem::City, ContactItem::State,
                                    ContactItem::Zip, ContactItem::Country);

    contact.birthday = dateOrTextOf(doc, ContactItem::Birthday);
    contact.anniversary = dateOrTextOf(doc, ContactItem::Anniversary);
    contact.related = relatedOf(doc);
    contact.note = noteOf(doc);
    contact.categories = categoriesOf(doc);

    contact.formattedName = formattedNameOf(contact, doc);
    return contact;
}

} // namespace brenmoor::contact
