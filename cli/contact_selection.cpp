// Reading --only and --category, and finding the contacts they pick in a book.
#include "cli/contact_selection.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "cli/options.h"
#include "notes/address_book.h"
#include "text/text_bytes.h"

namespace brenmoor::cli {

namespace {

std::int64_t positionOf(std::string_view text, const std::string& list) {
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 1)
        throw UsageError("--only takes contact numbers from 1 up and ranges like 7-12, comma-separated, not \"" +
                         list + "\"");
    return n;
}

bool hasCategory(const notes::ContactDocument& doc, std::string_view category) {
    for (const std::string& value : doc.itemTexts(notes::ContactItem::Categories))
        if (text::equalsIgnoringCase(text::trimmed(value), category)) return true;
    return false;
}

} // namespace

ContactSelection::ContactSelection(const std::string& only, const std::string& category) : only_(only) {
    if (!category.empty()) category_ = std::string(text::trimmed(category));
    if (only.empty()) return;
    std::size_t start = 0;
    while (start <= only.size()) {
        const std::size_t comma = std::min(only.find(',', start), only.size());
        const std::string_view part = std::string_view(only).substr(start, comma - start);
        const std::size_t dash = part.find('-');
        const std::int64_t first = positionOf(part.substr(0, dash), only);
        const std::int64_t last = dash == std::string_view::npos ? first : positionOf(part.substr(dash + 1), only);
        if (last < first) throw UsageError("--only: the range " + std::string(part) + " runs backwards");
        ranges_.emplace_back(first, last);
        start = comma + 1;
    }
}

std::string ContactSelection::description() const {
    std::string text = ranges_.empty() ? "contacts" : "contacts " + only_;
    if (category_) text += " with the category " + *category_;
    return text;
}

std::vector<std::int64_t> ContactSelection::positionsIn(const std::string& bookPath) const {
    notes::AddressBook book(bookPath);
    std::int64_t furthest = 0;
    for (const auto& range : ranges_) furthest = std::max(furthest, range.second);
    auto inRanges = [&](std::int64_t n) {
        if (ranges_.empty()) return true;
        return std::any_of(ranges_.begin(), ranges_.end(),
                           [n](const auto& range) { return range.first <= n && n <= range.second; });
    };

    std::vector<std::int64_t> positions;
    std::int64_t count = 0;
    if (category_) {
        book.keepOnlyItems({std::string(notes::notesName(notes::ContactItem::Categories))});
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument())
            if (++count, inRanges(count) && hasCategory(*doc, *category_)) positions.push_back(count);
    } else {
        count = book.entryCount();
        for (const auto& range : ranges_)
            for (std::int64_t n = range.first; n <= std::min(range.second, count); ++n) positions.push_back(n);
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    }
    if (furthest > count)
        throw std::runtime_error("contact number out of range: " + std::to_string(furthest) + " (the book \"" +
                                 bookPath + "\" has " + std::to_string(count) +
                                 (count == 1 ? " contact)" : " contacts)"));
    return positions;
}

} // namespace brenmoor::cli
