// The Outlook CSV records: the model's fields put into Outlook's columns by name.
#include "export/outlook_csv_writer.h"

#include <array>
#include <stdexcept>

#include "export/contact_text.h"
#include "export/model_file_writer.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

using contact::Contact;
using contact::PhoneKind;
using contact::Relation;

constexpr std::array<std::string_view, 92> kColumns{
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3", "Home City",
    "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2", "Other Street 3",
    "Other City", "Other State", "Other Postal Code", "Other Country/Region", "Assistant's Phone", "Business Fax",
    "Business Phone", "Business Phone 2", "Callback", "Car Phone", "Company Main Phone", "Home Fax", "Home Phone",
    "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax", "Other Phone", "Pager", "Primary Phone", "Radio Phone",
    "TTY/TDD Phone", "Telex", "Account", "Anniversary", "Assistant's Name", "Billing Information", "Birthday",
    "Business Address PO Box", "Categories", "Children", "Directory Server", "E-mail Address", "E-mail Type",
    "E-mail Display Name", "E-mail 2 Address", "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address",
    "E-mail 3 Type", "E-mail 3 Display Name", "Gender", "Government ID Number", "Hobby", "Home Address PO Box",
    "Initials", "Internet Free Busy", "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes",
    "Office Location", "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession",
    "Referred By", "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page",
};

constexpr std::size_t findColumn(std::string_view name) {
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        if (kColumns[i] == name) return i;
    throw std::logic_error("no such Outlook column");
}

// The position of a column, found when the program is compiled.
consteval std::size_t column(std::string_view name) { return findColumn(name); }

// The phone columns in order of preference: a number goes into the first free one for
// its kind; a third number of a kind that has two columns into the other phone or fax,
// where no number of that kind took it.
constexpr std::array<PhoneSlot, 12> kPhoneSlots{{
    {"Business Phone", phoneKinds({PhoneKind::WorkVoice})},
    {"Business Phone 2", phoneKinds({PhoneKind::WorkVoice})},
    {"Business Fax", phoneKinds({PhoneKind::WorkFax})},
    {"Mobile Phone", phoneKinds({PhoneKind::WorkCell, PhoneKind::PersonalCell})},
    {"Pager", phoneKinds({PhoneKind::WorkPager})},
    {"Home Phone", phoneKinds({PhoneKind::HomeVoice})},
    {"Home Phone 2", phoneKinds({PhoneKind::HomeVoice})},
    {"Home Fax", phoneKinds({PhoneKind::HomeFax})},
    {"Assistant's Phone", phoneKinds({PhoneKind::Assistant})},
    {"Car Phone", phoneKinds({PhoneKind::Car})},
    {"Other Phone", phoneKinds({PhoneKind::OtherVoice}),
     phoneKinds({PhoneKind::WorkCell, PhoneKind::PersonalCell, PhoneKind::WorkVoice, PhoneKind::HomeVoice,
                 PhoneKind::Assistant, PhoneKind::Car})},
    {"Other Fax", phoneKinds({PhoneKind::OtherFax}), phoneKinds({PhoneKind::WorkFax, PhoneKind::HomeFax})},
}};
constexpr std::size_t phoneColumn(std::size_t slot) {
    constexpr std::array<std::size_t, kPhoneSlots.size()> kPositions = [] {
        std::array<std::size_t, kPhoneSlots.size()> positions{};
        for (std::size_t i = 0; i < kPhoneSlots.size(); ++i) positions[i] = findColumn(kPhoneSlots[i].name);
        return positions;
    }();
    return kPositions[slot];
}

using Fields = std::array<PiecedText, kColumns.size()>;

void appendRecord(TextSink& out, const Fields& fields) { appendQuotedCsvRecord(out, fields); }

struct AddressColumns {
    std::size_t street, city, region, postalCode, country;
};
constexpr AddressColumns kBusinessAddress{column("Business Street"), column("Business City"),
                                          column("Business State"), column("Business Postal Code"),
                                          column("Business Country/Region")};
constexpr AddressColumns kHomeAddress{column("Home Street"), column("Home City"), column("Home State"),
                                      column("Home Postal Code"), column("Home Country/Region")};

void putAddress(Fields& fields, const std::optional<contact::Address>& address, const AddressColumns& columns) {
    if (!address) return;
    fields[columns.street] = address->street;
    fields[columns.city] = address->city;
    fields[columns.region] = address->region;
    fields[columns.postalCode] = address->postalCode;
    fields[columns.country] = address->country;
}

// The first person of a relation goes into its column; the others into the note.
void putRelated(Fields& fields, const Contact& contact, std::string& notes, std::string& children) {
    bool spouse = false, manager = false, assistant = false;
    for (const contact::Related& person : contact.related) {
        bool* placed = nullptr;
        std::size_t position = 0;
        switch (person.relation) {
        case Relation::Child:
            if (!children.empty()) children += ", ";
            children += person.name;
            continue;
        case Relation::Spouse: placed = &spouse; position = column("Spouse"); break;
        case Relation::Manager: placed = &manager; position = column("Manager's Name"); break;
        case Relation::Assistant: placed = &assistant; position = column("Assistant's Name"); break;
        }
        if (*placed) {
            appendNoteLine(notes, relationLabel(person.relation), person.name);
        } else {
            fields[position] = person.name;
            *placed = true;
        }
    }
    fields[column("Children")] = children;
}

void putDate(Fields& fields, std::size_t position, const contact::DateOrText& value, std::string& iso,
             std::string& notes, std::string_view label) {
    if (value.date) {
        iso = isoDate(*value.date);
        fields[position] = iso;
    } else if (!value.text.empty()) {
        appendNoteLine(notes, label, value.text);
    }
}

// The categories joined by ";", as Outlook joins them. Its import splits the column at
// every ";" and has no quoting for one inside a category: such a category is kept whole
// in the note instead of becoming two.
std::string categoriesColumn(const std::vector<std::string>& categories, std::string& notes) {
    std::string joined;
    for (const std::string& category : categories) {
        if (category.find(';') != std::string::npos) {
            appendNoteLine(notes, "Category", category);
            continue;
        }
        if (!joined.empty()) joined += ';';
        joined += category;
    }
    return joined;
}

void writeRecord(TextSink& out, const Contact& contact) {
    Fields fields{};
    const contact::Name& name = contact.name;
    fields[column("Title")] = name.prefix;
    fields[column("First Name")] = name.given;
    fields[column("Middle Name")] = name.middle;
    fields[column("Last Name")] = name.family;
    fields[column("Suffix")] = name.suffix;
    // Outlook has no column for the whole name: a name known only as a whole (from the
    // full name) goes where Outlook's own name parsing would start it.
    if (nameKnownOnlyWhole(contact)) fields[column("First Name")] = contact.formattedName;
    fields[column("Company")] = contact.organization;
    fields[column("Department")] = contact.unit;
    fields[column("Job Title")] = contact.jobTitle;
    fields[column("Office Location")] = contact.office;
    // One web page column: the first page, the others in the note.
    if (!contact.webPages.empty()) fields[column("Web Page")] = contact.webPages.front().url;
    putAddress(fields, contact.workAddress, kBusinessAddress);
    putAddress(fields, contact.homeAddress, kHomeAddress);

    // The extra note lines, in the order the fields come above.
    std::string extra;
    if (!contact.nickname.empty()) appendNoteLine(extra, "Nickname", contact.nickname);

    constexpr std::size_t kEmailColumns[] = {column("E-mail Address"), column("E-mail 2 Address"),
                                             column("E-mail 3 Address")};
    for (std::size_t i = 0; i < contact.emails.size(); ++i) {
        if (i < std::size(kEmailColumns))
            fields[kEmailColumns[i]] = contact.emails[i].address;
        else
            appendNoteLine(extra, "E-mail", contact.emails[i].address);
    }
    for (std::size_t i = 1; i < contact.webPages.size(); ++i)
        appendNoteLine(extra, webPageLabel(contact.webPages[i].place), contact.webPages[i].url);

    std::vector<std::string_view> numbers;
    for (const contact::Phone* phone : fillPhoneSlots(contact.phones, kPhoneSlots, numbers))
        appendNoteLine(extra, phoneLabel(phone->kind), phone->number);
    for (std::size_t i = 0; i < kPhoneSlots.size(); ++i) fields[phoneColumn(i)] = numbers[i];
    for (const contact::Phone& phone : contact.phones)
        if (phone.preferred) fields[column("Primary Phone")] = phone.number;

    std::string birthday, anniversary, children;
    putDate(fields, column("Birthday"), contact.birthday, birthday, extra, "Birthday");
    putDate(fields, column("Anniversary"), contact.anniversary, anniversary, extra, "Anniversary");
    putRelated(fields, contact, extra, children);
    const std::string categories = categoriesColumn(contact.categories, extra);
    fields[column("Categories")] = categories;
    if (contact.isPrivate) {
        fields[column("Sensitivity")] = "Private";
        fields[column("Private")] = "True";
    }
    appendCommonNoteLines(extra, contact, {.privateFlag = true});
    fields[column("Notes")] = PiecedText(contact, extra);
    appendRecord(out, fields);
}

class OutlookCsvWriter final : public ModelFileWriter {
public:
    OutlookCsvWriter() : ModelFileWriter(kOutlookCsvFileName) {}

private:
    std::string opening() override { return outlookCsvOpening(); }
    void spell(const Contact& contact, std::int64_t, TextSink& out) override { writeRecord(out, contact); }
};

} // namespace

std::string outlookCsvOpening() {
    StringSink out;
    out.append("\xEF\xBB\xBF");
    Fields header;
    for (std::size_t i = 0; i < kColumns.size(); ++i) header[i] = kColumns[i];
    appendRecord(out, header);
    return std::move(out.text);
}

std::string outlookCsvRecord(const Contact& contact) {
    StringSink out;
    writeRecord(out, contact);
    return std::move(out.text);
}

std::unique_ptr<FormatWriter> makeOutlookCsvWriter() { return std::make_unique<OutlookCsvWriter>(); }

} // namespace brenmoor::exporting
