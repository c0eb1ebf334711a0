// Escaping and folding of vCard content lines.
#include "export/vcard_text.h"

#include <algorithm>

#include "text/text_bytes.h"

namespace brenmoor::exporting {

namespace {

// How much of a value is escaped before the folded lines go out.
constexpr std::size_t kPieceOctets = 64 * 1024;

} // namespace

void VcardLines::start() {
    line_.clear();
    room_ = kVcardLineOctets;
    afterCr_ = false;
}

void VcardLines::plain(std::string_view text) {
    line_.append(text);
    afterCr_ = false;
    if (line_.size() >= kPieceOctets) foldOut();
}

void VcardLines::escaped(std::string_view value, Semicolons semicolons) {
    const std::string_view specials = semicolons == Semicolons::Escaped ? "\\,;\r\n" : "\\,\r\n";
    while (!value.empty()) {
        const std::size_t length = std::min(value.size(), kPieceOctets);
        escapePiece(value.substr(0, length), specials);
        value.remove_prefix(length);
        if (line_.size() >= kPieceOctets) foldOut();
    }
}

void VcardLines::escapePiece(std::string_view piece, std::string_view specials) {
    if (afterCr_ && piece.front() == '\n') piece.remove_prefix(1); // the CR wrote the break
    afterCr_ = false;
    while (!piece.empty()) {
        const std::size_t at = text::findAnyOf(piece, specials);
        line_.append(piece.substr(0, at));
        if (at == std::string_view::npos) return;
        const char c = piece[at];
        std::size_t taken = 1;
        if (c == '\r' || c == '\n') {
            line_ += "\\n";
            if (c == '\r' && at + 1 < piece.size() && piece[at + 1] == '\n') taken = 2;
            afterCr_ = c == '\r' && at + 1 == piece.size();
        } else {
            line_ += '\\';
            line_ += c;
        }
        piece.remove_prefix(at + taken);
    }
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// How far a fold moves back to find a place between characters that are not blank.
constexpr std::size_t kFoldSearchOctets = 16;

// Where the text at its start is cut, at most room octets in: the last place in the
// room's last octets that falls between two characters neither of which is blank, as
// readers that trim folded lines would lose a blank there; else the last place between
// two characters; else (no UTF-8) where the room ends. The text holds more than room
// octets.
std::size_t foldCut(std::string_view text, std::size_t room) {
    std::size_t between = 0;
    for (std::size_t cut = room; cut > 0; --cut) {
        if (between != 0 && room - cut > kFoldSearchOctets) break;
        if (text::continuesCharacter(text[cut])) continue;
        if (between == 0) between = cut;
        if (!isBlank(text[cut]) && !isBlank(text[cut - 1])) return cut;
    }
    return between != 0 ? between : room;
}

} // namespace

void VcardLines::foldOut() {
    // The first line holds 75 octets; each continuation its leading space and 74.
    std::size_t from = 0;
    while (line_.size() - from > room_) {
        const std::size_t cut = foldCut(std::string_view(line_).substr(from), room_);
        out_.append(std::string_view(line_).substr(from, cut));
        out_.append("\r\n ");
        from += cut;
        room_ = kVcardLineOctets - 1;
    }
    line_.erase(0, from);
}

void VcardLines::end() {
    foldOut();
    line_ += "\r\n";
    out_.append(line_);
    start();
}

} // namespace brenmoor::exporting
