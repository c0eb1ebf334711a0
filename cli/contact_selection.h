// The contacts an export picks: --only 3,7-12 (positions as list numbers them) and
// --category NAME (contacts with that category among their categories); both together
// pick the contacts that satisfy both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brenmoor::cli {

class ContactSelection {
public:
    // From the options' texts ("" where not given); throws UsageError for a list that
    // does not read as positions and ranges from 1 up.
    ContactSelection(const std::string& only, const std::string& category);

    // True where the options pick some contacts rather than every one.
    bool picks() const { return !ranges_.empty() || category_.has_value(); }
    // What it picks, in words: "contacts 3,7-12 with the category Work".
    std::string description() const;

    // The positions picked in the book, ascending. Throws std::runtime_error (NotesError
    // where the book cannot be read) saying so where a position is past the book's end.
    std::vector<std::int64_t> positionsIn(const std::string& bookPath) const;

private:
    std::string only_;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges_;
    std::optional<std::string> category_;
};

} // namespace brenmoor::cli
