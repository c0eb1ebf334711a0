// A contact's item value as the writers read it: the text without a copy where the
// item holds text, else the formatted text (numbers, dates, a canonical name in the
// abbreviated form Notes shows) kept in a scratch string.
#pragma once

#include <string>
#include <string_view>

#include "notes/address_book.h"
#include "notes/user_name.h"

namespace brenmoor::exporting {

// One line, column or row of a format: its label as the format writes it, and the item
// whose value goes with it.
struct LabelledItem {
    std::string_view label;
    notes::ContactItem item;
};

// Makes room in out for size more bytes before a large value is appended, and for the
// rest of its record after it: a string that grew by a huge value would otherwise grow
// again for the few bytes that follow, holding the value twice while it is copied.
inline void roomFor(std::string& out, std::size_t size) {
    constexpr std::size_t kLarge = 64 << 10;
    if (size >= kLarge && out.size() + size > out.capacity()) out.reserve(out.size() + size + kLarge);
}

// Valid until scratch or doc changes.
inline std::string_view itemView(const notes::ContactDocument& doc, notes::ContactItem item,
                                 std::string& scratch) {
    const notes::ItemValue* value = doc.find(item);
    if (!value) return {};
    if (value->kind == notes::ItemValue::Kind::RichText) return value->text;
    if (value->kind == notes::ItemValue::Kind::Text) {
        std::optional<std::string> abbreviated = notes::abbreviatedName(value->text);
        if (!abbreviated) return value->text;
        scratch = std::move(*abbreviated);
        return scratch;
    }
    scratch = doc.itemText(item);
    return scratch;
}

} // namespace brenmoor::exporting
