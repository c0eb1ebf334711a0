// The DXL reader: expat, fed the book piece by piece, telling a DocumentBuilder
// (dxl_document_builder.h) of the elements below the <database> root, which turns the
// <document form='Person'> children into ContactDocuments. It also probes a book's
// opening (the prolog and the root element) and parses single documents that the
// position scan has located. It never reads anything outside the file: the DTD
// named in the DOCTYPE is not fetched, external entities are refused and entity
// expansion is bounded.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "notes/address_book.h"
#include "notes/book_file.h"
#include "notes/dxl_document_builder.h"

namespace brenmoor::notes {

// What the opening of a book tells: where its root element's start tag lies, and
// whether its markup is plain enough for the byte-level position scan (an
// ASCII-compatible encoding, no entity that carries markup, no attribute default and
// no attribute type other than CDATA declared in the DOCTYPE).
struct BookOpening {
    std::uint64_t rootStart = 0;   // offset of the '<' of <database ...>
    std::uint64_t rootTagEnd = 0;  // offset just after its '>'
    bool rootIsEmpty = false;      // <database .../>
    bool plainMarkup = true;
    std::string rootQName;         // the root's name as written, prefix included
    std::string replicaId;         // the root's replicaid, without surrounding spaces; "" where none
};

// Reads the prolog and the root start tag. Throws NotesError when the file is not
// XML, is malformed before its root element, or its root is no DXL <database>.
BookOpening probeBook(const BookFile& file);

// The walk: one expat pass over the whole book, handing out the Person documents
// in file order. Throws NotesError on malformed XML, once the documents completed
// before the fault have been handed out, and when the file changed while it was read.
class DocumentStream {
public:
    // groups: the Group documents are gathered too (groups()).
    DocumentStream(const BookFile& file, const ItemNames& keep, bool groups = false);
    // The walk from contentStart, a place between two children of the root, on: the
    // book's prolog and root start tag are parsed first so the bytes mean what they
    // mean in the whole book.
    DocumentStream(const BookFile& file, const ItemNames& keep, const BookOpening& opening,
                   std::uint64_t contentStart);
    ~DocumentStream();
    std::optional<WalkedDocument> next();
    // The documents passed over so far, as the builder counts them.
    const OtherDocuments& others() const;
    // The Group documents passed so far, where the stream gathers them.
    std::vector<ContactDocument>& groups();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Parses the element in [start, end) of the book as a child of its root, with the
// book's own prolog and root start tag around it so that namespaces and declared
// entities mean what they mean in the whole book. Nothing where that element is no
// Person document. Throws NotesError on malformed XML, placed in the book's lines.
std::optional<ContactDocument> parseDocumentAt(const BookFile& file, const BookOpening& opening,
                                               std::uint64_t start, std::uint64_t end);

// The same for a Group document: its group items and note info (DocumentBuilder's groups);
// nothing where the element is no Group document or a conflict.
std::optional<ContactDocument> parseGroupAt(const BookFile& file, const BookOpening& opening, std::uint64_t start,
                                            std::uint64_t end);

// Parses the root's content in [start, end) with the book's prolog and root start
// tag before it, and the root's end tag after it unless end is the end of the file;
// appends its Person documents, and adds the documents it passed over to others.
// Throws NotesError on malformed XML, after appending the documents that came before the fault.
void parseContent(const BookFile& file, const BookOpening& opening, std::uint64_t start, std::uint64_t end,
                  const ItemNames& keep, std::vector<WalkedDocument>& documents, OtherDocuments& others);

} // namespace brenmoor::notes
