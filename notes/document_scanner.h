// The position scan: finds the Person documents of a book by looking at its bytes,
// without building them, so that "the document at position n" and "how many
// contacts" cost one quick pass over the bytes instead of a full XML parse.
//
// What the scan looks at, from just after the root start tag up to the place it
// stops (the end of the n-th Person document, or the end of the root for a count):
//   - every comment ends with -->, every CDATA section with ]]>, every processing
//     instruction with ?>, and no other <! markup occurs inside the root;
//   - each child element of the root: its start tag ends with > (quoted attribute
//     values may hold >), and its end is found by counting the start and end tags
//     of its own name inside it (in well-formed XML that is its end tag); tags of
//     other names inside it are stepped over unread;
//   - only those children, comments, CDATA sections, processing instructions,
//     character data and the root's own end tag stand in the root's content;
//   - for a count, after the root's end tag only white space, comments and
//     processing instructions follow.
// It does not check names, attributes (beyond reading the form of a document), the
// nesting of other elements, character data, references or encodings. A document
// it hands out is parsed by expat in full, which checks all of that for it; the
// rest only gets the checks above, and nothing after the document it stops at is
// looked at. On a well-formed book it finds exactly the documents the full parse
// finds, in the same order.
//
// A child element of the root whose local name is "document" and whose prefix is
// the root's is a document; it is a Person document when its form attribute reads
// "Person" in any case and its conflict attribute is not "true". Where that cannot be
// told from the bytes (the element declares a namespace, has another prefix, a value
// holds an entity or character reference, its content spells "$Conflict" anywhere, or
// it is a <note class='document'>, whose form is an item) the scan reports Uncertain
// and the caller takes the full parse. Books that hold those are rare, and are read
// right, only slower.
//
// The scan reads the book through a window (BookWindow) that starts at the root
// child being looked at. A child's start tag is read whole (the window grows where one
// runs past its end); its content is stepped over with its depth of nested tags of its
// name carried along, so when the content runs past the window's end the window slides
// on from the last point stepped over and a huge document needs no more memory than a
// small one. (A single comment, CDATA section or processing instruction is read whole.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "notes/book_file.h"
#include "notes/book_window.h"

namespace brenmoor::notes {

struct DocumentSpan {
    std::uint64_t start = 0; // offset of its '<'
    std::uint64_t end = 0;   // offset just after its end tag's '>' (or its '/>')
};

class DocumentScanner {
public:
    // Group: a Group document (by its form attribute, not marked a conflict), where
    // reportGroups() asked for them; found() holds it.
    enum class Step { Found, Group, End, Uncertain, Malformed };

    // Scans the root element's content from contentStart on; rootQName is the root's
    // name as written. The window starts at windowBytes and grows as a child needs.
    DocumentScanner(const BookFile& file, std::uint64_t contentStart, std::string rootQName,
                    std::size_t windowBytes = 256 << 10);

    // Moves on to the next Person document. Found: found() holds it. End: the root
    // ended (and, where checkTrailer, only white space, comments and processing
    // instructions follow). Malformed: errorOffset() and errorText() say where and what.
    // Throws NotesError when the file changed while it was read.
    Step next(bool checkTrailer = true);
    // From now on next() stops at Group documents too.
    void reportGroups() { reportGroups_ = true; }

    // Looks only at what starts where the scan stands (a remembered offset): Found
    // when a Person document starts there, End when anything else does.
    Step documentHere();

    const DocumentSpan& found() const { return found_; }
    // Whether the scan passed a Person document marked a conflict: the walk hands out
    // those whose parent is not in the book after the others, which only it can tell.
    bool passedConflict() const { return passedConflict_; }
    std::uint64_t errorOffset() const { return errorOffset_; }
    const std::string& errorText() const { return errorText_; }

private:
    enum class Unit { Skipped, Person, Group, RootEnd, NeedMore, Uncertain, Malformed };

    Step scan(bool checkTrailer, bool onlyHere);
    Step trailer();
    // Steps over the root child, comment, text or other markup at pos_.
    Unit unit(bool onlyHere);
    Unit rootEndTag(const char* p);
    Unit childElement(const char* p);
    struct Attributes {
        std::string_view form, conflict, noteClass;
        bool hasForm = false;
    };
    Unit attributes(const char* from, const char* to, Attributes& read);

    // The window's bytes as the functions below see them.
    void view();
    std::uint64_t offsetOf(const char* p) const { return viewStart_ + static_cast<std::uint64_t>(p - begin_); }
    // Whether n bytes from p lie in view; where they do not and the book goes on,
    // the scan needs more of it (needMore_).
    bool has(const char* p, std::size_t n);
    bool startsWith(const char* p, std::string_view text);
    // Records a fault, unless the view ran out first.
    Unit fail(const char* at, std::string text);
    Unit ranOut(const char* at, std::string text);

    // Handles the markup starting at p ('<' not followed by a name); past it, or nothing.
    const char* skipSpecial(const char* p);
    // A child element whose content is being stepped over.
    struct OpenChild {
        std::uint64_t start = 0;  // the offset of its '<'
        std::string name;         // as written
        bool person = false;
        bool group = false;
        std::uint64_t resume = 0; // where the step goes on: everything before is passed
        std::size_t depth = 1;    // its start tags not yet ended
        bool conflictMark = false; // "$Conflict" (in any case) stands in its content
    };
    // Steps over the open child's content from where it stopped to just after its end
    // tag; nothing where that end is not (yet) in view (the error set, or needMore_).
    const char* skipContent(OpenChild& open);
    const char* stepContent(OpenChild& open);
    // Notes where a Person document's bytes from..to spell "$Conflict" in any case.
    void lookForConflictMark(const char* from, const char* to, OpenChild& open);
    Unit stepOverOpenChild();
    Unit ranOutAt(std::uint64_t offset, std::string text);
    // 1 when the bytes at p spell name and end there, 0 when not, -1 when more are needed.
    int namedAt(const char* p, std::string_view name);
    // The first '>' of the start tag at p that is not inside a quoted value.
    const char* tagEnd(const char* p);

    BookWindow window_;
    std::uint64_t pos_;
    std::string rootQName_;
    std::string rootPrefix_; // its own copy: a view into rootQName_ would not survive a move
    DocumentSpan found_;
    std::uint64_t errorOffset_ = 0;
    std::string errorText_;
    bool rootEnded_ = false;
    std::optional<OpenChild> open_;

    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    std::uint64_t viewStart_ = 0;
    bool viewReachesEnd_ = false;
    bool needMore_ = false;
    bool reportGroups_ = false;
    bool passedConflict_ = false;
};

} // namespace brenmoor::notes
