// brenmoor-convert show BOOK N: the 48 catalogue items of contact N, one line each:
// the item name, a TAB, its text with backslash, CR, LF and TAB written as \\, \r,
// \n and \t so that every value stays on its line.
#include <charconv>
#include <string>

#include "cli/commands.h"
#include "cli/escaped_text.h"
#include "notes/address_book.h"

namespace brenmoor::cli {

int runShow(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        err << usageText();
        return 2;
    }
    const std::string& book = args[0];
    const std::string& position = args[1];
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(position.data(), position.data() + position.size(), n);
    if (ec != std::errc() || end != position.data() + position.size() || n < 1) {
        err << "brenmoor-convert: the contact number \"" << position
            << "\" is not a whole number from 1 up; list shows the numbers of the contacts of \"" << book
            << "\".\n"
            << usageText();
        return 2;
    }
    try {
        notes::AddressBook addressBook(book);
        auto doc = addressBook.documentAt(n);
        if (!doc) {
            err << "brenmoor-convert: the address book \"" << book << "\" has no contact " << n
                << "; list shows its contacts.\n";
            return 1;
        }
        std::string text;
        for (const auto& item : notes::kContactItems) {
            text += item.notesName;
            text += '\t';
            appendEscaped(text, doc->itemText(item.item));
            text += '\n';
        }
        out << text;
    } catch (const notes::NotesError& error) {
        err << "brenmoor-convert: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace brenmoor::cli
