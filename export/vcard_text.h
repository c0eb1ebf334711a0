// The text of vCard 3.0 and 4.0 content lines: values escaped as each version requires
// and lines folded at 75 octets, written as they are given so that a value of any
// length passes through a small buffer.
#pragma once

#include <string>
#include <string_view>

#include "export/text_sink.h"

namespace brenmoor::exporting {

// The longest line of a vCard file, in octets, its line break not counted.
inline constexpr std::size_t kVcardLineOctets = 75;

// Whether ";" is escaped: always in vCard 3.0 (RFC 2426); in vCard 4.0 (RFC 6350) only in
// the components of a compound value (N, ADR, ORG), its grammar having no "\;" in text.
enum class Semicolons { Kept, Escaped };

// Content lines written to out, one after another: start(), the line's text in pieces,
// end(). The line is folded so that no line of the file is longer than 75 octets: each
// continuation starts with CR LF and a space, and a fold never falls inside a UTF-8
// sequence nor next to a blank (moved back by what it takes, where the line has a place
// between two characters that are not blank). Only the part of a line not yet folded is held.
class VcardLines {
public:
    explicit VcardLines(TextSink& out) : out_(out) {}

    void start();
    // Appends text as it is (a name, a separator, a date, base64 in pieces).
    void plain(std::string_view text);
    // Appends a value with "\" and "," (and ";" where asked) each escaped by a backslash
    // and every line break (CR LF, CR or LF) written as "\n". Pieces of one value follow
    // each other with nothing plain between them: a CR LF may fall between two.
    void escaped(std::string_view value, Semicolons semicolons);
    // Ends the line with CR LF.
    void end();

private:
    void escapePiece(std::string_view piece, std::string_view specials);
    // Writes the folded lines of what is held, keeping the rest (a line's last part).
    void foldOut();

    TextSink& out_;
    std::string line_;
    std::size_t room_ = kVcardLineOctets; // what the line being folded takes
    bool afterCr_ = false;                // the value's last piece ended in a CR
};

} // namespace brenmoor::exporting
