// Escaping and folding of vCard content lines.
#include "export/vcard_text.h"

#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {


} // namespace

void appendVcardEscaped(std::string& out, std::string_view value, Semicolons semicolons) {
    const std::string_view specials = semicolons == Semicolons::Escaped ? "\\,;\r\n" : "\\,\r\n";
    while (!value.empty()) {
        const std::size_t at = value.find_first_of(specials);
        out.append(value.substr(0, at));
        if (at == std::string_view::npos) return;
        const char c = value[at];
        std::size_t taken = 1;
        if (c == '\r' || c == '\n') {
            out += "\\n";
            if (c == '\r' && at + 1 < value.size() && value[at + 1] == '\n') taken = 2;
        } else {
            out += '\\';
            out += c;
        }
        value.remove_prefix(at + taken);
    }
}

void appendFoldedLine(std::string& out, std::string_view line) {
    // The first line holds 75 octets; each continuation its leading space and 74.
    std::size_t room = kVcardLineOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && text::continuesCharacter(line[cut])) --cut;
        if (cut == 0) cut = room; // not UTF-8: cut where the room ends
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kVcardLineOctets - 1;
    }
    out.append(line);
    out += "\r\n";
}

} // namespace brenmoor::exporting
