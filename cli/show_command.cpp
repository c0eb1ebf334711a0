// brenmoor-convert show BOOK N: the 48 catalogue items of contact N, one line each:
// the item name, a TAB, its text with backslash, CR, LF and TAB written as \\, \r,
// \n and \t so that every value stays on its line.
#include <algorithm>
#include <charconv>
#include <string>

#include "cli/commands.h"
#include "cli/escaped_text.h"
#include "export/item_view.h"
#include "notes/address_book.h"

namespace brenmoor::cli {

int runShow(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    if (args.operands.size() != 2) throw UsageError("show takes a BOOK and a contact number N");
    const std::string& book = args.operands[0];
    if (book.empty()) throw UsageError("a BOOK may not be empty");
    const std::string& position = args.operands[1];
    const bool digits = !position.empty() && std::all_of(position.begin(), position.end(),
                                                         [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || position.find_first_not_of('0') == std::string::npos)
        throw UsageError("the contact number \"" + position + "\" is not a whole number from 1 up; list shows the "
                         "numbers of the contacts of \"" + book + "\"");
    std::int64_t n = 0;
    const bool fits = std::from_chars(position.data(), position.data() + position.size(), n).ec == std::errc();
    try {
        notes::AddressBook addressBook(book);
        // A book that list and export reject is no book to show from either.
        addressBook.checkWhole();
        auto doc = fits ? addressBook.documentAt(n) : std::nullopt;
        if (!doc) {
            const std::int64_t count = addressBook.entryCount();
            err << "brenmoor-convert: contact number out of range: " << position << " (the book has " << count
                << (count == 1 ? " contact" : " contacts") << "); list shows the contacts of \"" << book << "\".\n";
            return kFailed;
        }
        // Line by line, each value read in place: a huge value is held once more at most.
        std::string line, scratch;
        for (const auto& item : notes::kContactItems) {
            line.assign(item.notesName);
            line += '\t';
            appendEscaped(line, exporting::itemView(*doc, item.item, scratch));
            line += '\n';
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        }
    } catch (const notes::NotesError& error) {
        err << "brenmoor-convert: " << error.what() << "\n";
        return kFailed;
    }
    return kDone;
}

} // namespace brenmoor::cli
