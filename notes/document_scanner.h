// The position scan: finds the Person documents of a book by looking at its bytes,
// without building them, so that "the document at position n" and "how many
// contacts" cost one quick pass over the bytes instead of a full XML parse.
//
// What the scan checks, from just after the root start tag up to the place it
// stops (the n-th Person document, or the end of the root for a count):
//   - every comment ends with -->, every CDATA section with ]]>, every processing
//     instruction with ?>, and no other <! markup occurs inside the root;
//   - every start tag ends with > (quoted attribute values may hold >);
//   - every end tag closes the element that is open, by name;
//   - for a count, after the root's end tag only white space, comments and
//     processing instructions follow.
// It does not check names, attributes (beyond reading the form of a document),
// character data, entity references or encodings: documents it hands out are then
// parsed by expat in full, other documents before them only get these checks, and
// nothing after the document it stops at is looked at.
//
// A child element of the root whose local name is "document" and whose prefix is
// the root's is a document; it is a Person document when its form attribute reads
// "Person" in any case. Where that cannot be told from the bytes (the element
// declares a namespace, has another prefix, or its form value holds an entity or
// character reference) the scan reports Uncertain and the caller takes the full parse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brenmoor::notes {

struct DocumentSpan {
    std::uint64_t start = 0; // offset of its '<'
    std::uint64_t end = 0;   // offset just after its end tag's '>' (or its '/>')
};

class DocumentScanner {
public:
    enum class Step { Found, End, Uncertain, Malformed };

    // Scans the root element's content, which starts at contentStart; rootQName is
    // the root's name as written.
    DocumentScanner(std::string_view book, std::uint64_t contentStart, std::string rootQName);

    // Moves on to the next Person document. Found: found() holds it. End: the root
    // ended (and, where checkTrailer, only white space, comments and processing
    // instructions follow). Malformed: errorOffset() and errorText() say where and what.
    Step next(bool checkTrailer = true);

    const DocumentSpan& found() const { return found_; }
    std::uint64_t errorOffset() const { return errorOffset_; }
    const std::string& errorText() const { return errorText_; }

private:
    Step fail(const char* at, std::string text);
    Step trailer();
    // Handles the markup starting at p ('<' not followed by a name); sets p past it.
    bool skipSpecial(const char*& p);

    const char* begin_;
    const char* end_;
    const char* pos_;
    std::string rootQName_;
    std::string_view rootPrefix_;
    std::vector<std::string_view> open_; // names of the open elements below the root
    DocumentSpan found_;
    std::uint64_t errorOffset_ = 0;
    std::string errorText_;
    bool rootEnded_ = false;
};

} // namespace brenmoor::notes
