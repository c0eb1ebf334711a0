// The mailing lists of a book made of the input: resolved as `groups` resolves them, then
// written by the LDIF and PST writers. Every member names what exists (a contact of the
// walk, another list), expansion ends and holds each member once, and the LDIF holds each
// list's members once, by dns of entries of the file, however the lists name each other.
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

#include "contact/group.h"
#include "export/ldif_writer.h"
#include "export/pst_writer.h"
#include "notes/address_book.h"
#include "tests/fuzz/fuzz_targets.h"

namespace brenmoor::fuzz {

namespace {

using contact::GroupMember;

void checkResolved(const contact::GroupBook& groups, std::int64_t contacts) {
    const auto& lists = groups.lists();
    for (std::size_t i = 0; i < lists.size(); ++i) {
        for (const GroupMember& member : lists[i].members) {
            if (member.kind == GroupMember::Kind::Contact)
                check(member.contact >= 1 && member.contact <= contacts, "a member names no contact of the walk");
            if (member.kind == GroupMember::Kind::Group)
                check(member.group < lists.size() && member.group != i, "a member names no other list");
        }
        std::set<std::tuple<GroupMember::Kind, std::int64_t, std::string_view, std::string_view>> seen;
        for (const GroupMember& member : groups.expanded(i)) {
            check(member.kind != GroupMember::Kind::Group, "an expanded list holds a list");
            check(seen.emplace(member.kind, member.contact, member.name, member.address).second,
                  "an expanded list holds a member twice");
        }
    }
}

// Each groupOfNames entry of the LDIF has members, each the dn of an entry of the file
// (or a contact's dn at its second address), and no more of them than the lists name.
void checkLdif(const std::string& path, const contact::GroupBook& groups) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    check(file != nullptr, "no LDIF written");
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    std::fclose(file);
    std::set<std::string> dns, firstRdns;
    std::vector<std::string> members;
    std::size_t lists = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + at, end - at);
        if (line.starts_with("dn: ")) {
            dns.emplace(line.substr(4));
            firstRdns.emplace(line.substr(4, line.find(",mail=") == std::string_view::npos ? line.npos
                                                                                           : line.find(",mail=") - 4));
        }
        if (line.starts_with("member: ")) members.emplace_back(line.substr(8));
        if (line == "objectclass: groupOfNames") ++lists;
        at = end + 1;
    }
    std::size_t named = 0;
    for (const contact::Group& group : groups.lists()) named += group.members.size();
    check(members.size() <= named, "the LDIF holds more members than the lists name");
    check(lists <= groups.lists().size(), "the LDIF holds more lists than the book");
    for (const std::string& member : members) {
        const std::size_t mail = member.find(",mail=");
        check(dns.contains(member) || (mail != std::string::npos && firstRdns.contains(member.substr(0, mail))),
              "a member names no entry of the file: " + member);
    }
}

// The walk through a writer that holds lists, as the export runs it.
void writeWith(exporting::FormatWriter& writer, notes::AddressBook& book, const std::string& folder) {
    contact::GroupBook groups;
    book.handOutGroups([&](const notes::ContactDocument& doc) { groups.add(doc); });
    book.entryCount();
    writer.prepare(folder);
    writer.open(folder);
    if (!groups.empty()) writer.setGroups(groups);
    std::int64_t n = 0;
    for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) writer.writeContact(std::move(*doc), ++n);
    writer.close();
}

} // namespace

int groupsTarget(const std::uint8_t* data, std::size_t size) {
    const std::string path = inputAsFile(data, size);
    contact::GroupBook groups;
    std::int64_t contacts = 0;
    try {
        notes::AddressBook book(path);
        groups = contact::readGroups(book);
        contacts = book.entryCount();
    } catch (const notes::NotesError&) {
        return 0;
    }
    checkResolved(groups, contacts);
    if (groups.empty()) return 0;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("brenmoor-fuzz-groups-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    try {
        notes::AddressBook ldifBook(path);
        const auto ldif = exporting::makeLdifWriter();
        writeWith(*ldif, ldifBook, folder.string());
        checkLdif((folder / exporting::kLdifFileName).string(), groups);
        notes::AddressBook pstBook(path);
        const auto pst = exporting::makePstWriter();
        writeWith(*pst, pstBook, folder.string());
    } catch (const std::exception& error) {
        std::filesystem::remove_all(folder);
        check(false, std::string("writing the lists failed: ") + error.what());
    }
    std::filesystem::remove_all(folder);
    return 0;
}

} // namespace brenmoor::fuzz
