// Escaping and folding of vCard content lines.
#include "export/vcard_text.h"

namespace brenmoor::exporting {

namespace {

constexpr std::size_t kLineOctets = 75;

bool continuesSequence(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

void appendVcardEscaped(std::string& out, std::string_view value, Semicolons semicolons) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += semicolons == Semicolons::Escaped ? "\\;" : ";"; break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
}

void appendFoldedLine(std::string& out, std::string_view line) {
    // The first line holds 75 octets; each continuation its leading space and 74.
    std::size_t room = kLineOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && continuesSequence(line[cut])) --cut;
        if (cut == 0) cut = room; // not UTF-8: cut where the room ends
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kLineOctets - 1;
    }
    out.append(line);
    out += "\r\n";
}

} // namespace brenmoor::exporting
