// Finding a catalogue item by its Notes name: the names of each length in one list,
// compared without regard to case.
#include "notes/contact_items.h"

#include <algorithm>
#include <string>
#include <vector>

#include "text/text_bytes.h"

namespace brenmoor::notes {

using text::lowerAscii;

std::optional<ContactItem> catalogueItem(std::string_view name) {
    constexpr std::size_t kLongest = 32;
    struct Entry {
        std::string lowerName;
        ContactItem item;
    };
    static const std::array<std::vector<Entry>, kLongest + 1> kByLength = [] {
        std::array<std::vector<Entry>, kLongest + 1> byLength;
        for (const ContactItemInfo& info : kContactItems) {
            std::string lower(info.notesName);
            std::ranges::transform(lower, lower.begin(), lowerAscii);
            byLength[info.notesName.size()].push_back({std::move(lower), info.item});
        }
        return byLength;
    }();
    if (name.empty() || name.size() > kLongest) return std::nullopt;
    const char first = lowerAscii(name[0]);
    for (const Entry& entry : kByLength[name.size()])
        if (entry.lowerName[0] == first &&
            std::ranges::equal(name, entry.lowerName, [](char x, char y) { return lowerAscii(x) == y; }))
            return entry.item;
    return std::nullopt;
}

} // namespace brenmoor::notes
