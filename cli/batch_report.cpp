// The batch report's CSV and JSON forms.
#include "cli/batch_report.h"

#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "export/csv_writer.h"

namespace brenmoor::cli {

namespace {

constexpr const char* kColumns[] = {"book", "size", "sha256", "format", "folder", "contacts_found",
                                    "contacts_written", "contacts_not_written", "outputs", "status",
                                    "message", "seconds"};
constexpr std::size_t kColumnCount = std::size(kColumns);

std::string number(std::int64_t n) { return n < 0 ? std::string() : std::to_string(n); }

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::vector<std::string> fieldsOf(const ReportRow& row) {
    return {row.book, number(row.size), row.sha256, row.format, row.folder, number(row.contactsFound),
            number(row.contactsWritten), number(row.contactsNotWritten), row.outputs, row.status, row.message,
            secondsText(row.seconds)};
}

bool readNumber(const std::string& text, std::int64_t& n) {
    if (text.empty()) {
        n = -1;
        return true;
    }
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return ec == std::errc() && end == text.data() + text.size();
}

void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

} // namespace

int ReportRow::exitStatus() const {
    if (status == kStatusDone) return kDone;
    if (status == kStatusSkippedContacts) return kSomeContactsSkipped;
    return kFailed;
}

bool ReportRow::converted() const { return status == kStatusDone || status == kStatusSkippedContacts; }

std::string reportHeader() {
    std::string line;
    for (const char* column : kColumns) line += (line.empty() ? "" : ",") + std::string(column);
    return line + "\r\n";
}

std::string reportCsvLine(const ReportRow& row) {
    std::string line;
    bool first = true;
    for (const std::string& field : fieldsOf(row)) {
        if (!first) line += ',';
        first = false;
        exporting::appendCsvField(line, field);
    }
    return line + "\r\n";
}

std::vector<ReportRow> parseReport(const std::string& text) {
    std::vector<ReportRow> rows;
    std::vector<std::string> fields(1);
    bool quoted = false;
    bool header = true;
    auto endRecord = [&] {
        ReportRow row;
        if (!header && fields.size() == kColumnCount) {
            row.book = fields[0];
            row.sha256 = fields[2];
            row.format = fields[3];
            row.folder = fields[4];
            row.outputs = fields[8];
            row.status = fields[9];
            row.message = fields[10];
            row.seconds = std::atof(fields[11].c_str());
            if (readNumber(fields[1], row.size) && readNumber(fields[5], row.contactsFound) &&
                readNumber(fields[6], row.contactsWritten) && readNumber(fields[7], row.contactsNotWritten))
                rows.push_back(std::move(row));
        }
        header = false;
        fields.assign(1, std::string());
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') fields.back() += c;
            else if (i + 1 < text.size() && text[i + 1] == '"') fields.back() += text[++i];
            else quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            endRecord();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    // A last line without its line end was cut short by a killed run: not a row.
    return rows;
}

std::string reportJson(const std::vector<ReportRow>& rows) {
    std::string out = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ReportRow& row = rows[r];
        out += r == 0 ? "\n  {" : ",\n  {";
        auto key = [&](const char* name) {
            if (out.back() != '{') out += ", ";
            appendJsonString(out, name);
            out += ": ";
        };
        auto count = [&](const char* name, std::int64_t n) {
            key(name);
            out += n < 0 ? "null" : std::to_string(n);
        };
        auto text = [&](const char* name, const std::string& value) {
            key(name);
            appendJsonString(out, value);
        };
        text("book", row.book);
        count("size", row.size);
        text("sha256", row.sha256);
        text("format", row.format);
        text("folder", row.folder);
        count("contacts_found", row.contactsFound);
        count("contacts_written", row.contactsWritten);
        count("contacts_not_written", row.contactsNotWritten);
        text("outputs", row.outputs);
        text("status", row.status);
        text("message", row.message);
        key("seconds");
        out += secondsText(row.seconds);
        out += "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
}

} // namespace brenmoor::cli
