// The text export: each contact's 45 entries as "Label :" + nine spaces + value + " ".
#include "export/text_writer.h"

#include <array>
#include <string_view>

#include "export/contact_file_writer.h"
#include "export/contact_page_rows.h"
#include "export/line_breaks.h"

namespace brenmoor::exporting {

namespace {

using notes::ContactItem;

// "Label :" and nine spaces: a page row's label without its trailing space.
std::string textLabel(std::string_view label) {
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    return std::string(label) + " :         ";
}

// The full name first, then the page rows (business entries give the country before
// the postal code, home entries after it; the full name comes again at line 41).
struct TextEntry {
    std::string label;
    notes::ContactItem item;
};

const std::array<TextEntry, 45>& textEntries() {
    static const std::array<TextEntry, 45> entries = [] {
        std::array<TextEntry, 45> made;
        made[0] = {textLabel("Full Name"), ContactItem::FullName};
        for (std::size_t i = 0; i < kContactPageRows.size(); ++i)
            made[i + 1] = {textLabel(kContactPageRows[i].label), kContactPageRows[i].item};
        return made;
    }();
    return entries;
}

} // namespace

std::string textPage(const notes::ContactDocument& doc) {
    std::string page;
    page.reserve(2048);
    std::string scratch;
    for (const TextEntry& entry : textEntries()) {
        page += entry.label;
        appendWithCrLf(page, itemView(doc, entry.item, scratch));
        page += " \r\n";
    }
    return page;
}

std::unique_ptr<FormatWriter> makeTextWriter() {
    return makeContactFileWriter(".txt", textPage);
}

} // namespace brenmoor::exporting
