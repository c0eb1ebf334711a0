// brenmoor-convert list BOOK: the contacts as the window's tree shows them, one
// line each: T_ and the running number, a TAB, the display name (escaped as show
// escapes values, so that a name cannot break its line; a contact without name items by
// its company or e-mail address in brackets, as the tree shows it). A book without contacts says
// so on stderr, naming the documents it holds.
#include <string>

#include "cli/commands.h"
#include "cli/escaped_text.h"
#include "contact/contact_from_document.h"
#include "notes/address_book.h"

namespace brenmoor::cli {

int runList(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    if (args.operands.size() != 1) throw UsageError("list takes one BOOK");
    // An empty book path is wrong usage, as it is for show and export.
    if (args.operands[0].empty()) throw UsageError("a BOOK may not be empty");
    try {
        notes::AddressBook book(args.operands[0]);
        std::string line;
        std::int64_t number = 0;
        notes::listContacts(book, contact::listedItems(),
                            [&](const notes::ContactDocument& doc, const std::string& name, const auto&) {
            line.assign("T_");
            line += std::to_string(++number);
            line += '\t';
            appendEscaped(line, contact::listedName(doc, name, number));
            line += '\n';
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        });
        // Nothing listed is no failure, but the user is told why.
        if (number == 0) {
            err << "brenmoor-convert: the address book \"" << args.operands[0]
                << "\" holds no contacts: no document of the form \"Person\".";
            if (!book.otherDocuments().empty())
                err << " It holds " << notes::otherDocumentsText(book.otherDocuments()) << " documents.";
            err << "\n";
        }
    } catch (const notes::NotesError& error) {
        out.flush();
        err << "brenmoor-convert: " << error.what() << "\n";
        return kFailed;
    }
    return kDone;
}

} // namespace brenmoor::cli
