// A DXL date-time as the file records it: 19700102T150405,00+01, 19700102 or
// T150405,00. Either part may be missing; the zone is kept out of the clock time,
// since the contact's values are shown in the time they were recorded in.
#pragma once

#include <optional>
#include <string_view>

namespace brenmoor::notes {

struct DxlDateTime {
    bool hasDate = false;
    int year = 0, month = 0, day = 0;
    bool hasTime = false;
    int hour = 0, minute = 0, second = 0;
};

// Nothing where the text is no DXL date-time or names an impossible date or time.
std::optional<DxlDateTime> parseDxlDateTime(std::string_view text);

} // namespace brenmoor::notes
