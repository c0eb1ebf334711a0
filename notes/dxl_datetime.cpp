// Reading DXL date-times (yyyymmddThhmmss,hh+zz and its date-only and time-only forms).
#include "notes/dxl_datetime.h"

#include <QDate>

namespace brenmoor::notes {

namespace {

bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

std::optional<DxlDateTime> parseDxlDateTime(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\r' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.remove_suffix(1);

    DxlDateTime result;
    std::size_t at = 0;
    if (!text.empty() && text[0] != 'T') {
        if (!digitsAt(text, 0, 4, result.year) || !digitsAt(text, 4, 2, result.month) ||
            !digitsAt(text, 6, 2, result.day))
            return std::nullopt;
        if (!QDate::isValid(result.year, result.month, result.day)) return std::nullopt;
        result.hasDate = true;
        at = 8;
    }
    if (at < text.size() && text[at] == 'T') {
        if (!digitsAt(text, at + 1, 2, result.hour) || !digitsAt(text, at + 3, 2, result.minute) ||
            !digitsAt(text, at + 5, 2, result.second))
            return std::nullopt;
        if (result.hour > 23 || result.minute > 59 || result.second > 59) return std::nullopt;
        result.hasTime = true;
        at += 7;
        // Hundredths and the zone: checked for form only, not used.
        if (at < text.size() && text[at] == ',') {
            ++at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        }
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            ++at;
            while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        } else if (at < text.size() && text[at] == 'Z') {
            ++at;
        }
    }
    if (at != text.size() || (!result.hasDate && !result.hasTime)) return std::nullopt;
    return result;
}

} // namespace brenmoor::notes
