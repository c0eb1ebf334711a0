// The batch report's CSV and JSON forms.
#include "cli/batch_report.h"

#include <charconv>
#include <cstdio>
#include <string_view>
#include <type_traits>
#include <variant>

#include "cli/commands.h"
#include "export/csv_writer.h"

namespace brenmoor::cli {

namespace {

// The columns in their order, each with the member it shows: a text, a count (empty, or
// null in JSON, where not known) or the seconds.
using Member = std::variant<std::string ReportRow::*, std::int64_t ReportRow::*, double ReportRow::*>;
struct Column {
    const char* name;
    Member member;
};
const Column kColumns[] = {
    {"book", &ReportRow::book},
    {"size", &ReportRow::size},
    {"sha256", &ReportRow::sha256},
    {"format", &ReportRow::format},
    {"contacts", &ReportRow::selection},
    {"folder", &ReportRow::folder},
    {"contacts_found", &ReportRow::contactsFound},
    {"contacts_written", &ReportRow::contactsWritten},
    {"contacts_not_written", &ReportRow::contactsNotWritten},
    {"documents_skipped", &ReportRow::documentsSkipped},
    {"values_not_carried", &ReportRow::valuesNotCarried},
    {"outputs", &ReportRow::outputs},
    {"status", &ReportRow::status},
    {"message", &ReportRow::message},
    {"seconds", &ReportRow::seconds},
    {"mailbox", &ReportRow::mailbox},
    {"user", &ReportRow::user},
    {"display_name", &ReportRow::displayName},
    {"carddav_url", &ReportRow::carddavUrl},
};

std::string number(std::int64_t n) { return n < 0 ? std::string() : std::to_string(n); }

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// A column's field of row as the CSV holds it.
std::string fieldOf(const ReportRow& row, const Column& column) {
    return std::visit(
        [&](auto member) {
            const auto& value = row.*member;
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, std::string>) return value;
            else if constexpr (std::is_same_v<Value, std::int64_t>) return number(value);
            else return secondsText(value);
        },
        column.member);
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

// A text field as the CSV holds it: after an apostrophe where a spreadsheet would take it
// for a formula (or where it begins with the apostrophe, so that reading takes off only
// what writing put on).
std::string spreadsheetSafe(std::string text) {
    if (!text.empty() && std::string_view("=+-@'").find(text.front()) != std::string_view::npos)
        text.insert(text.begin(), '\'');
    return text;
}

int ReportRow::exitStatus() const {
    if (status == kStatusDone) return kDone;
    if (status == kStatusSkippedContacts || status == kStatusSkippedFiles) return kSomeContactsSkipped;
    return kFailed;
}

bool ReportRow::converted() const {
    return status == kStatusDone || status == kStatusSkippedContacts || status == kStatusSkippedFiles;
}

std::string reportHeader() {
    std::string line;
    for (const Column& column : kColumns) line += (line.empty() ? "" : ",") + std::string(column.name);
    return line + "\r\n";
}

std::string reportCsvLine(const ReportRow& row) {
    std::string line;
    for (const Column& column : kColumns) {
        if (&column != kColumns) line += ',';
        const bool text = std::holds_alternative<std::string ReportRow::*>(column.member);
        exporting::appendCsvField(line, text ? spreadsheetSafe(fieldOf(row, column)) : fieldOf(row, column));
    }
    return line + "\r\n";
}

std::vector<std::vector<std::string>> csvRecords(std::string_view text, bool lastWithoutLineEnd) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields(1);
    bool quoted = false;
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
            records.push_back(std::move(fields));
            fields.assign(1, std::string());
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    if (lastWithoutLineEnd && (fields.size() > 1 || !fields.back().empty())) records.push_back(std::move(fields));
    return records;
}

std::vector<ReportRow> parseReport(const std::string& text) {
    // A last line without its line end was cut short by a killed run: not a row.
    const auto records = csvRecords(text, false);
    std::vector<ReportRow> rows;
    if (records.empty()) return rows;
    // Where each column stands in the file, from its header: a report of an earlier
    // version with other columns still gives the rows it can.
    std::vector<int> at(std::size(kColumns), -1);
    for (std::size_t c = 0; c < std::size(kColumns); ++c)
        for (std::size_t f = 0; f < records[0].size(); ++f)
            if (records[0][f] == kColumns[c].name) at[c] = static_cast<int>(f);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::vector<std::string>& fields = records[r];
        if (fields.size() < 2) continue;
        ReportRow row;
        bool readable = true;
        for (std::size_t c = 0; c < std::size(kColumns) && readable; ++c) {
            const std::string empty;
            const std::string& field =
                at[c] >= 0 && std::size_t(at[c]) < fields.size() ? fields[std::size_t(at[c])] : empty;
            std::visit(
                [&](auto member) {
                    auto& value = row.*member;
                    using Value = std::decay_t<decltype(value)>;
                    if constexpr (std::is_same_v<Value, std::string>)
                        value = field.starts_with('\'') ? field.substr(1) : field;
                    else if constexpr (std::is_same_v<Value, std::int64_t>) readable = readNumber(field, value);
                    else value = std::atof(field.c_str());
                },
                kColumns[c].member);
        }
        if (readable && !row.book.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

std::string reportJson(const std::vector<ReportRow>& rows) {
    std::string out = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ReportRow& row = rows[r];
        out += r == 0 ? "\n  {" : ",\n  {";
        for (const Column& column : kColumns) {
            if (&column != kColumns) out += ", ";
            appendJsonString(out, column.name);
            out += ": ";
            const std::string field = fieldOf(row, column);
            if (std::holds_alternative<std::string ReportRow::*>(column.member)) appendJsonString(out, field);
            else out += field.empty() ? "null" : field;
        }
        out += "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
}

} // namespace brenmoor::cli
