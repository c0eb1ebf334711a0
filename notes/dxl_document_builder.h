// The document builder of the DXL reader: told of the elements and the text below the
// root by the expat wrapper (dxl_parser.cpp), it builds a ContactDocument of every
// Person document among the root's children (address_book.h says which those are): its
// items' values, kept in the form the file recorded them, and its note info; the other
// documents it counts. It knows DXL, not expat.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notes/address_book.h"

namespace brenmoor::notes {

// Which items the walk keeps of each document: every item and the note info where
// empty, otherwise only the items named (without regard to case). The rest is parsed
// but not kept.
using ItemNames = std::vector<std::string>;

// A document as the walk hands it out, with the offset of its start tag in the book
// (for a document that comes out of an entity, the offset of the reference).
struct WalkedDocument {
    ContactDocument document;
    std::uint64_t offset = 0;
};

// The local name of an element of the DXL namespace as expat names it ("<namespace>
// <local>"), or the empty text for elements of other namespaces.
std::string_view dxlLocalName(const char* name);

// "name" of attrs, a list of names and values ending in a null name; null where absent.
const char* attributeValue(const char* const* attrs, std::string_view name);

class DocumentBuilder {
public:
    // groups: Group documents are built too (groupItemNames() of each, with its note
    // info) and kept in groups(); otherwise they are only counted.
    explicit DocumentBuilder(const ItemNames& keep, bool groups = false) : keep_(keep), collectGroups_(groups) {}

    // An element's start at level (the root's children are at 2), with its name as
    // expat gives it. True where a document that may be a Person document begins (a
    // note's form is told by its items): the caller then tells where.
    bool start(int level, const char* name, const char* const* attrs);
    void end(int level, const char* name);
    void characters(std::string_view text);
    void documentStartsAt(std::uint64_t offset) { documentStart_ = offset; }
    // How many bytes of the book are left to read from where the parser is: a file's
    // declared size reserves no more room than that, as its data cannot be longer.
    void boundFileData(std::function<std::uint64_t()> bytesLeft) { bytesLeft_ = std::move(bytesLeft); }

    // Whether character data matters now: only while a value is being read.
    bool wantsText() const { return captureLevel_ != 0 || fileDataLevel_ != 0; }

    // The documents completed and not yet taken.
    std::deque<WalkedDocument>& ready() { return ready_; }
    // The documents passed over so far.
    const OtherDocuments& others() const { return others_; }
    // The Group documents completed so far, where the builder collects them.
    std::vector<ContactDocument>& groups() { return groups_; }

private:
    bool startRootChild(std::string_view local, const char* const* attrs);
    void startNoteInfoChild(int level, std::string_view local);
    void startDocumentChild(std::string_view local, const char* const* attrs);
    void startItem(const char* itemName);
    void startInValue(std::string_view local, int level, const char* const* attrs);
    void endLink();
    void startDocLink(int level, const char* const* attrs);
    void rememberListStyle(const char* const* attrs);
    void startListParagraph(const char* def);
    void startItemChild(std::string_view local, int level);
    void startInFileItem(std::string_view local, int level, const char* const* attrs);
    void startFileData(int level);
    void endFileData();
    void startHidden(std::string_view local, int level, const char* const* attrs);
    void endValue();
    void endDocument();
    bool isPersonDocument();
    bool isGroupNote();
    bool keeps(const char* itemName) const;
    void capture(ItemValue::Kind kind, int level);
    void await(std::string_view element, int level);
    void startPair(int level);

    const ItemNames keep_; // a copy: callers may pass a temporary list
    const bool collectGroups_;

    // Where the walk is: in a document that may be a Person document, a note whose form
    // its Form item tells, one that is a conflict.
    bool inDocument_ = false;
    bool inNote_ = false;
    bool inGroup_ = false; // a <document form='Group'>, read for its group items
    bool conflict_ = false;
    std::string parent_; // the parent's universal ID a <document> names, or ""
    bool inItem_ = false;
    bool inNoteInfo_ = false;
    bool inModified_ = false;
    std::uint64_t documentStart_ = 0;

    // The document being read.
    std::vector<std::pair<std::string, ItemValue>> items_;
    NoteInfo info_;

    // The item being read: its first child decides its kind; a list's values are the
    // awaited children one level further down; a pair of date-times is one value.
    std::string itemName_;
    ItemValue value_;
    bool firstChildSeen_ = false;
    std::string_view awaited_;
    int awaitLevel_ = 0;
    bool listValueSeen_ = false;
    int pairLevel_ = 0; // the <datetimepair> being read, and how many of its ends were
    int pairEnds_ = 0;

    // The value being read: the text so far, and for rich text its paragraphs, the link
    // being read and the hidden element (a picture, an attachment, code) whose content is no text.
    int captureLevel_ = 0;
    std::string buffer_;
    int paragraphs_ = 0;
    int openParagraphs_ = 0;
    int hiddenLevel_ = 0;
    // The link being read: its level, its target, and where its text began in buffer_.
    int linkLevel_ = 0;
    std::string linkTarget_;
    std::size_t linkTextStart_ = 0;
    std::string linkDescription_; // a document link's
    // The list styles of the paragraph definitions (id, style), and the list being
    // numbered: its definition's id and the number of its last paragraph.
    std::vector<std::pair<std::string, std::string>> listStyles_;
    std::string listDef_;
    int listNumber_ = 0;

    // The attached files of the document. The file being read: a $FILE item's <file>
    // element (its level), or a picture of the rich-text item "Photo" (the picture's
    // level); the level of its data element while its base64 is read (without white
    // space). Attachment references give display names and the item that shows the file.
    std::vector<AttachedFile> files_;
    bool fileItem_ = false;
    bool photoItem_ = false;
    int fileLevel_ = 0;
    int pictureLevel_ = 0;
    int fileDataLevel_ = 0;
    AttachedFile file_;
    std::string fileData_;
    std::function<std::uint64_t()> bytesLeft_;
    std::uint64_t fileRoom_ = 0; // the room the declared size asks for, within what the book holds
    struct Reference {
        std::string name;  // the $FILE's file name
        std::string shown; // its display name, "" where none
        std::string item;  // the rich-text item the reference is in
    };
    std::vector<Reference> references_;

    std::deque<WalkedDocument> ready_;
    OtherDocuments others_;
    std::vector<ContactDocument> groups_;
};

} // namespace brenmoor::notes
