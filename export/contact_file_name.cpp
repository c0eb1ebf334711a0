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

// name with every character a file name may not hold made "_", cut at a character
// boundary to leave room for tail.
std::string safeStem(std::string_view stem, std::string_view tail) {
    std::string name(stem);
    for (char& c : name)
        if (refusedInFileName(static_cast<unsigned char>(c))) c = '_';
    const std::size_t room = kMaxFileNameBytes > tail.size() ? kMaxFileNameBytes - tail.size() : 0;
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && text::continuesCharacter(name[cut])) --cut;
        name.resize(cut);
    }
    return name;
}

// A name beginning with "." would be a hidden file.
std::string shown(std::string fileName) {
    if (fileName.empty()) return "_";
    if (fileName.front() == '.') fileName.front() = '_';
    return fileName;
}

} // namespace

std::string contactFileName(std::string_view firstName, std::string_view lastName,
                            std::int64_t runningNumber, std::string_view extension) {
    std::string tail = "_" + std::to_string(runningNumber);
    tail += extension;

    return shown(safeStem(std::string(firstName) + std::string(lastName), tail) + tail);
}

std::string safeFileName(std::string_view name) {
    std::size_t dot = name.rfind('.');
    // An extension is short and holds nothing a file name may not: else it is no extension.
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 16) dot = name.size();
    std::string extension = safeStem(name.substr(dot), "");
    return shown(safeStem(name.substr(0, dot), extension) + extension);
}

} // namespace brenmoor::exporting
