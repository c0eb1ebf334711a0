// Contacts for the export tests, built from items without an address book file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "notes/address_book.h"

namespace brenmoor::exporting::testing {

using Items = std::vector<std::pair<std::string, std::string>>;

inline notes::ContactDocument contact(const Items& items) {
    std::vector<std::pair<std::string, notes::ItemValue>> values;
    for (const auto& [name, text] : items)
        values.emplace_back(name, notes::ItemValue{notes::ItemValue::Kind::Text, text, {}});
    return notes::ContactDocument(std::move(values));
}

// Every one of the 48 items holding its own name, so a value in the wrong place shows.
inline notes::ContactDocument everyItemNamed() {
    Items items;
    for (const auto& info : notes::kContactItems)
        items.emplace_back(std::string(info.notesName), std::string(info.notesName));
    return contact(items);
}

} // namespace brenmoor::exporting::testing
