// Values as the user's regional settings write them: numbers, dates, times of day.
// The default QLocale decides; the C/POSIX locale gives the ISO forms
// (1970-01-02, 15:04:05). Shared by the item texts and by writers that put a
// time of day into a file name.
#pragma once

#include <string>
#include <string_view>

namespace brenmoor::notes {

// The locale's short date with a four-digit year (en_US 1/2/1970, de_DE 02.01.1970).
std::string localeDateText(int year, int month, int day);

// The locale's time of day with seconds (en_US 3:04:05 PM, de_DE 15:04:05).
std::string localeTimeText(int hour, int minute, int second);

// A number written in the file (e.g. "42", "3.50", "1e3") as the locale writes it:
// whole numbers without decimals, others with up to 15 significant digits and no
// trailing zeros. Text that is no number comes back unchanged.
std::string localeNumberText(std::string_view written);

// True where the default locale is the C/POSIX locale.
bool isCLocale();

} // namespace brenmoor::notes
