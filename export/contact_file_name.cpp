// The name of a contact's own file, built from its names and its running number.
#include "export/contact_file_name.h"

#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

bool refusedInFileName(unsigned char c) {
    switch (c) {
    case ' ': case '/': case '\\': case ':': case '*': case '?': case '"': case '<':
    case '>': case '|':
        return true;
    default:
        return c < 0x20 || c == 0x7F;
    }
}


} // namespace

std::string contactFileName(std::string_view firstName, std::string_view lastName,
                            std::int64_t runningNumber, std::string_view extension) {
    std::string tail = "_" + std::to_string(runningNumber);
    tail += extension;

    std::string name;
    name.reserve(firstName.size() + lastName.size() + tail.size());
    name += firstName;
    name += lastName;
    for (char& c : name)
        if (refusedInFileName(static_cast<unsigned char>(c))) c = '_';

    const std::size_t room = kMaxFileNameBytes > tail.size() ? kMaxFileNameBytes - tail.size() : 0;
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && text::continuesCharacter(name[cut])) --cut;
        name.resize(cut);
    }
    std::string fileName = name + tail;
    // A name beginning with "." would be a hidden file.
    if (fileName.front() == '.') fileName.front() = '_';
    return fileName;
}

} // namespace brenmoor::exporting
