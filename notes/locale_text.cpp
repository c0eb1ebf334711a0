// Locale-dependent writing of numbers, dates and times of day, with QLocale.
#include "notes/locale_text.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "text/text_bytes.h"

namespace brenmoor::notes {

namespace {

// The short date format with its year widened to four digits.
QString fourDigitYearFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
        qsizetype at = format.indexOf(QLatin1String("yy"));
        if (at >= 0) format.replace(at, 2, QLatin1String("yyyy"));
    }
    return format;
}

// The long time format without its time-zone part.
QString timeWithSecondsFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        QChar c = format[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

bool isCLocale() {
    QLocale locale;
    return locale.language() == QLocale::C;
}

std::string localeDateText(int year, int month, int day) {
    if (isCLocale()) {
        return text::threeNumbers(year, 4, month, day, "-");
    }
    QLocale locale;
    return locale.toString(QDate(year, month, day), fourDigitYearFormat(locale)).toStdString();
}

std::string localeTimeText(int hour, int minute, int second) {
    if (isCLocale()) {
        return text::threeNumbers(hour, 2, minute, second, ":");
    }
    QLocale locale;
    return locale.toString(QTime(hour, minute, second), timeWithSecondsFormat(locale)).toStdString();
}

std::string localeNumberText(std::string_view written) {
    std::string_view digits = written;
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t' || digits.front() == '\n' || digits.front() == '\r'))
        digits.remove_prefix(1);
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t' || digits.back() == '\n' || digits.back() == '\r'))
        digits.remove_suffix(1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
        return std::string(written);
    if (value == 0) return "0";

    char buffer[64];
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    else
        std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    // %G keeps no trailing zeros unless it must; strip any that remain before an exponent.
    std::size_t exponent = text.find('E');
    std::string mantissa = text.substr(0, exponent);
    std::string rest = exponent == std::string::npos ? std::string() : text.substr(exponent);
    if (mantissa.find('.') != std::string::npos) {
        while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
    }
    text = mantissa + rest;
    if (!isCLocale()) {
        std::size_t point = text.find('.');
        if (point != std::string::npos)
            text.replace(point, 1, QString(QLocale().decimalPoint()).toStdString());
    }
    return text;
}

} // namespace brenmoor::notes
