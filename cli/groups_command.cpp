// brenmoor-convert groups BOOK: the book's groups, each on a line with its type, then
// each member on a line of its own after a TAB, as it was resolved (a contact named by
// an address other than its first with that address). A member name that finds more
// than one contact is said on the error output. Groups that are no
// address lists are listed with their type and "not exported". Names are escaped as list
// escapes them.
#include <string>

#include "cli/commands.h"
#include "cli/escaped_text.h"
#include "contact/group.h"

namespace brenmoor::cli {

namespace {

using contact::GroupMember;

void appendMember(std::string& line, const GroupMember& member) {
    switch (member.kind) {
    case GroupMember::Kind::Contact:
        appendEscaped(line, member.name);
        line += " (contact " + std::to_string(member.contact);
        // Named by another of its addresses: mailed there.
        if (member.emailSlot > 0) {
            line += ", at ";
            appendEscaped(line, member.address);
        }
        line += ")";
        return;
    case GroupMember::Kind::Group:
        appendEscaped(line, member.name);
        line += " (group)";
        return;
    case GroupMember::Kind::Outside:
        appendEscaped(line, member.address);
        line += " (outside the book)";
        return;
    case GroupMember::Kind::Unaddressed:
        appendEscaped(line, member.name);
        line += " (no Internet address)";
        return;
    }
}

} // namespace

int runGroups(const ParsedArguments& args, std::ostream& out, std::ostream& err) {
    if (args.operands.size() != 1) throw UsageError("groups takes one BOOK");
    if (args.operands[0].empty()) throw UsageError("a BOOK may not be empty");
    try {
        notes::AddressBook book(args.operands[0]);
        const contact::GroupBook groups = contact::readGroups(book);
        std::string text;
        for (const contact::Group& group : groups.lists()) {
            appendEscaped(text, group.name);
            text += " (" + contact::groupTypeName(group.type) + ")\n";
            for (const GroupMember& member : group.members) {
                text += '\t';
                appendMember(text, member);
                text += '\n';
            }
        }
        for (const contact::Group& group : groups.notLists()) {
            appendEscaped(text, group.name);
            text += " (" + contact::groupTypeName(group.type) + "): no address list, not exported\n";
        }
        out << text;
        for (const contact::AmbiguousMember& member : groups.ambiguous()) {
            std::string line = "brenmoor-convert: ";
            appendEscaped(line, contact::ambiguityText(member));
            err << line << "\n";
        }
        if (groups.lists().empty() && groups.notLists().empty())
            err << "brenmoor-convert: the address book \"" << args.operands[0]
                << "\" holds no groups: no document of the form \"Group\".\n";
    } catch (const notes::NotesError& error) {
        out.flush();
        err << "brenmoor-convert: " << error.what() << "\n";
        return kFailed;
    }
    return kDone;
}

} // namespace brenmoor::cli
