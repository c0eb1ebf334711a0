// The Google CSV records: the model's fields put into Google's numbered columns.
#include "export/google_csv_writer.h"

#include <array>
#include <vector>

#include "export/contact_text.h"
#include "export/model_file_writer.h"

namespace brenmoor::exporting {

namespace {

using contact::Contact;
using contact::PhoneKind;
using contact::Place;

// How many of each numbered column group the file has; more go into the note.
constexpr std::size_t kEmails = 4, kPhones = 6, kAddresses = 2, kWebsites = 3, kRelations = 4, kEvents = 1;

constexpr std::array<std::string_view, 17> kNameColumns{
    "First Name", "Middle Name", "Last Name", "Phonetic First Name", "Phonetic Middle Name",
    "Phonetic Last Name", "Name Prefix", "Name Suffix", "Nickname", "File As", "Organization Name",
    "Organization Title", "Organization Department", "Birthday", "Notes", "Photo", "Labels",
};
enum NameColumn : std::size_t {
    First, Middle, Last, PhoneticFirst, PhoneticMiddle, PhoneticLast, Prefix, Suffix, Nickname, FileAs,
    OrganizationName, OrganizationTitle, OrganizationDepartment, Birthday, Notes, Photo, Labels,
};
constexpr std::array<std::string_view, 9> kAddressParts{
    "Label", "Formatted", "Street", "City", "PO Box", "Region", "Postal Code", "Country", "Extended Address",
};

struct Group {
    std::string_view name;
    std::size_t count;
    std::size_t parts; // 2 (label and value), or the address parts
};
constexpr std::array<Group, 6> kGroups{{{"E-mail", kEmails, 2},
                                        {"Phone", kPhones, 2},
                                        {"Address", kAddresses, kAddressParts.size()},
                                        {"Website", kWebsites, 2},
                                        {"Relation", kRelations, 2},
                                        {"Event", kEvents, 2}}};

// The position of the first column of the group's n-th entry (from 0).
constexpr std::size_t groupColumn(std::string_view group, std::size_t n) {
    std::size_t position = kNameColumns.size();
    for (const Group& g : kGroups) {
        if (g.name == group) return position + n * g.parts;
        position += g.count * g.parts;
    }
    return position;
}
constexpr std::size_t kColumnCount = groupColumn("", 0);

std::vector<std::string> columnNames() {
    std::vector<std::string> names(kNameColumns.begin(), kNameColumns.end());
    for (const Group& g : kGroups)
        for (std::size_t n = 1; n <= g.count; ++n) {
            const std::string prefix = std::string(g.name) + " " + std::to_string(n) + " - ";
            if (g.parts == 2) {
                names.push_back(prefix + "Label");
                names.push_back(prefix + "Value");
            } else {
                for (std::string_view part : kAddressParts) names.push_back(prefix + std::string(part));
            }
        }
    return names;
}

using Fields = std::array<PiecedText, kColumnCount>;

std::string_view placeLabel(Place place) {
    switch (place) {
    case Place::Work: return "Work";
    case Place::Home: return "Home";
    case Place::Other: return "Other";
    }
    return "Other";
}

// Google's own labels where it has one for the kind, else the label Google shows as typed.
std::string_view googlePhoneLabel(PhoneKind kind) {
    switch (kind) {
    case PhoneKind::WorkVoice: return "Work";
    case PhoneKind::WorkFax: return "Work Fax";
    case PhoneKind::WorkCell: return "Work Mobile";
    case PhoneKind::WorkPager: return "Work Pager";
    case PhoneKind::HomeVoice: return "Home";
    case PhoneKind::HomeFax: return "Home Fax";
    case PhoneKind::PersonalCell: return "Mobile";
    case PhoneKind::Assistant: return "Assistant";
    case PhoneKind::Car: return "Car";
    case PhoneKind::OtherVoice: return "Other";
    case PhoneKind::OtherFax: return "Other Fax";
    }
    return "Other";
}

// The texts the record points into, kept while it is written.
struct Held {
    std::vector<std::string> texts;
    std::string_view keep(std::string text) { return texts.emplace_back(std::move(text)); }
    Held() { texts.reserve(32); }
};

void putAddress(Fields& fields, std::size_t n, std::string_view label, const contact::Address& address,
                std::string_view extended, Held& held) {
    const std::size_t at = groupColumn("Address", n);
    fields[at] = label;
    std::string formatted = address.street;
    std::string line = address.postalCode;
    for (std::string_view part : {std::string_view(address.city), std::string_view(address.region)})
        if (!part.empty()) line += (line.empty() ? "" : " ") + std::string(part);
    for (std::string_view part : {std::string_view(line), std::string_view(address.country)})
        if (!part.empty()) formatted += (formatted.empty() ? "" : "\n") + std::string(part);
    fields[at + 1] = held.keep(std::move(formatted));
    fields[at + 2] = address.street;
    fields[at + 3] = address.city;
    fields[at + 5] = address.region;
    fields[at + 6] = address.postalCode;
    fields[at + 7] = address.country;
    fields[at + 8] = extended;
}

void writeRecord(TextSink& out, const Contact& contact) {
    Fields fields{};
    Held held;
    std::string extra;
    const contact::Name& name = contact.name;
    fields[First] = nameKnownOnlyWhole(contact) ? std::string_view(contact.formattedName) : name.given;
    fields[Middle] = name.middle;
    fields[Last] = name.family;
    fields[PhoneticFirst] = contact.readingGiven;
    fields[PhoneticLast] = contact.readingFamily;
    fields[Prefix] = name.prefix;
    fields[Suffix] = name.suffix;
    fields[Nickname] = contact.nickname;
    fields[OrganizationName] = contact.organization;
    fields[OrganizationTitle] = contact.jobTitle;
    fields[OrganizationDepartment] = contact.unit;
    if (contact.birthday.date)
        fields[Birthday] = held.keep(isoDate(*contact.birthday.date));
    else if (!contact.birthday.text.empty())
        appendNoteLine(extra, "Birthday", contact.birthday.text);

    std::string labels;
    for (const std::string& category : contact.categories) {
        if (category.find(" ::: ") != std::string::npos) {
            appendNoteLine(extra, "Category", category);
            continue;
        }
        if (!labels.empty()) labels += " ::: ";
        labels += category;
    }
    fields[Labels] = labels;

    for (std::size_t i = 0; i < contact.emails.size(); ++i) {
        const contact::Email& email = contact.emails[i];
        if (i >= kEmails) {
            appendNoteLine(extra, "E-mail", email.address);
            continue;
        }
        const std::size_t at = groupColumn("E-mail", i);
        fields[at] = i == 0 ? held.keep("* " + std::string(placeLabel(email.place))) : placeLabel(email.place);
        fields[at + 1] = email.address;
    }
    for (std::size_t i = 0; i < contact.phones.size(); ++i) {
        const contact::Phone& phone = contact.phones[i];
        if (i >= kPhones) {
            appendNoteLine(extra, phoneLabel(phone.kind), phone.number);
            continue;
        }
        const std::size_t at = groupColumn("Phone", i);
        const std::string_view label = googlePhoneLabel(phone.kind);
        fields[at] = phone.preferred ? held.keep("* " + std::string(label)) : label;
        fields[at + 1] = phone.number;
    }
    std::size_t addresses = 0;
    // The office location is the work address's extended part, as the vCard formats have it.
    if (contact.workAddress)
        putAddress(fields, addresses++, "Work", *contact.workAddress, contact.office, held);
    else if (!contact.office.empty())
        appendNoteLine(extra, "Office", contact.office);
    if (contact.homeAddress) putAddress(fields, addresses++, "Home", *contact.homeAddress, {}, held);
    for (std::size_t i = 0; i < contact.webPages.size(); ++i) {
        const contact::WebPage& page = contact.webPages[i];
        if (i >= kWebsites) {
            appendNoteLine(extra, webPageLabel(page.place), page.url);
            continue;
        }
        const std::size_t at = groupColumn("Website", i);
        fields[at] = placeLabel(page.place);
        fields[at + 1] = page.url;
    }
    for (std::size_t i = 0; i < contact.related.size(); ++i) {
        const contact::Related& person = contact.related[i];
        if (i >= kRelations) {
            appendNoteLine(extra, relationLabel(person.relation), person.name);
            continue;
        }
        const std::size_t at = groupColumn("Relation", i);
        fields[at] = relationLabel(person.relation);
        fields[at + 1] = person.name;
    }
    if (contact.anniversary.date) {
        fields[groupColumn("Event", 0)] = "Anniversary";
        fields[groupColumn("Event", 0) + 1] = held.keep(isoDate(*contact.anniversary.date));
    } else if (!contact.anniversary.text.empty()) {
        appendNoteLine(extra, "Anniversary", contact.anniversary.text);
    }
    appendCommonNoteLines(extra, contact, {.nameReading = true});
    fields[Notes] = PiecedText(contact, extra);
    appendQuotedCsvRecord(out, fields);
}

class GoogleCsvWriter final : public ModelFileWriter {
public:
    GoogleCsvWriter() : ModelFileWriter(kGoogleCsvFileName, {.maxContacts = kGoogleCsvContactsPerFile}) {}

private:
    std::string opening() override { return googleCsvOpening(); }
    void spell(const Contact& contact, std::int64_t, TextSink& out) override { writeRecord(out, contact); }
};

} // namespace

std::string googleCsvOpening() {
    static const std::vector<std::string> names = columnNames();
    StringSink out;
    std::vector<PiecedText> header(names.begin(), names.end());
    appendQuotedCsvRecord(out, header);
    return std::move(out.text);
}

std::unique_ptr<FormatWriter> makeGoogleCsvWriter() { return std::make_unique<GoogleCsvWriter>(); }

} // namespace brenmoor::exporting
