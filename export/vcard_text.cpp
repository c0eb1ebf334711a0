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
        const std::size_t at = piece.find_first_of(specials);
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

void VcardLines::foldOut() {
    // The first line holds 75 octets; each continuation its leading space and 74.
    std::size_t from = 0;
    while (line_.size() - from > room_) {
        std::size_t cut = room_;
        while (cut > 0 && text::continuesCharacter(line_[from + cut])) --cut;
        if (cut == 0) cut = room_; // not UTF-8: cut where the room ends
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
