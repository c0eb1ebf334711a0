// The CSV export, quoted as RFC 4180 has it: a value holding a comma, a double quote or
// a line break is enclosed in double quotes with its quotes doubled, so every record has
// 41 fields for any CSV reader and every value comes back whole. Everything else is
// written as it is, also a value that begins with "=", "+", "-" or "@" (a phone number).
#include "export/csv_writer.h"

#include <array>

#include "export/item_view.h"
#include "export/output_file.h"
#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

using notes::ContactItem;

// The labels keep their odd spaces and two styles: readers match on them.
constexpr std::array<LabelledItem, 41> kColumns{{
    {"First Name", ContactItem::FirstName},
    {"Middle Name", ContactItem::MiddleInitial},
    {"Last Name", ContactItem::LastName},
    {"Title", ContactItem::Title},
    {"Suffix", ContactItem::Suffix},
    {"Email 1 Address", ContactItem::MailAddress},
    {" Company Name", ContactItem::CompanyName},
    {"Job Title", ContactItem::JobTitle},
    {"Business Address Street", ContactItem::OfficeStreetAddress},
    {" Business Address City", ContactItem::OfficeCity},
    {"Business Address State", ContactItem::OfficeState},
    {"Business Address Postal Code", ContactItem::OfficeZip},
    {"Business Address Country", ContactItem::OfficeCountry},
    {" Business Telephone Number", ContactItem::OfficePhoneNumber},
    {"Business Fax Number", ContactItem::OfficeFaxPhoneNumber},
    {"Mobile Telephone Number", ContactItem::CellPhoneNumber},
    {"PagerNumber", ContactItem::PhoneNumber_6},
    {"Email1Address", ContactItem::MiscPhone1},
    {"Email2Address", ContactItem::MiscPhone2},
    {"Email3Address", ContactItem::MiscPhone3},
    {"OfficeLocation", ContactItem::Location},
    {"WebPage", ContactItem::WebSite},
    {"Department", ContactItem::Department},
    {"ManagerName", ContactItem::Manager},
    {"AssistantName", ContactItem::Assistant},
    {"HomeAddressStreet", ContactItem::StreetAddress},
    {"HomeAddressCity", ContactItem::City},
    {"HomeAddressState", ContactItem::State},
    {"HomeAddressPostalCode ", ContactItem::Zip},
    {"HomeAddressCountry", ContactItem::Country},
    {"Spouse", ContactItem::Spouse},
    {"Children", ContactItem::Children},
    {"HomeTelephoneNumber", ContactItem::PhoneNumber},
    {"HomeFaxNumber", ContactItem::HomeFaxPhoneNumber},
    {"Birthday", ContactItem::Birthday},
    {"Anniversary", ContactItem::Anniversary},
    {"Notes", ContactItem::Comment},
    {"FullName", ContactItem::FullName},
    {"NickName", ContactItem::ShortName},
    {"PersonalHomePage", ContactItem::MailDomain},
    {"Categories", ContactItem::Categories},
}};

class CsvWriter final : public FormatWriter {
public:
    void open(const std::string& folder) override {
        file_.create(outputPath(folder, kCsvFileName));
        file_.append(csvHeaderLine());
    }
    void writeContact(notes::ContactDocument&& doc, std::int64_t) override {
        file_.append(csvContactLine(doc));
    }
    void close() override { file_.close(); }
    void abandon() noexcept override { file_.abandon(); }
    const ItemSet* carriedItems() const override {
        static const ItemSet carried = itemsOf(kColumns);
        return &carried;
    }

private:
    OutputFile file_;
};

} // namespace

void appendCsvField(std::string& line, std::string_view value) {
    roomFor(line, value.size() + 2);
    if (text::findAnyOf(value, ",\"\r\n") == std::string_view::npos) {
        line += value;
        return;
    }
    line += '"';
    for (char c : value) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

std::string csvHeaderLine() {
    std::string line;
    for (const LabelledItem& column : kColumns) {
        if (!line.empty()) line += ',';
        line += column.label;
    }
    return line + "\r\n";
}

std::string csvContactLine(const notes::ContactDocument& doc) {
    std::string line;
    line.reserve(256);
    std::string scratch;
    bool first = true;
    for (const LabelledItem& column : kColumns) {
        if (!first) line += ',';
        first = false;
        appendCsvField(line, itemView(doc, column.item, scratch));
    }
    line += "\r\n";
    return line;
}

std::unique_ptr<FormatWriter> makeCsvWriter() { return std::make_unique<CsvWriter>(); }

} // namespace brenmoor::exporting
