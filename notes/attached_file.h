// A file attached to a Notes document, as the address book holds it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace brenmoor::notes {

// A file attached to a document: the file of a $FILE item, or a picture of the
// rich-text item "Photo". Its data stays as the book wrote it, base64 (without the white
// space between its lines), held once however often the document is copied, and decoded
// only as it is read (text/base64.h): a file of any size costs its base64 text alone.
struct AttachedFile {
    // Compressed: the book holds the file as Notes stores it (compression other than
    // "none"), which no reader outside Notes can undo. Damaged: its base64 is broken.
    // NotesBitmap: a picture in Notes' own bitmap format (<notesbitmap>, what the DXL
    // exporter writes unless ConvertNotesBitmapsToGIF is set), which no reader takes.
    enum class State : std::uint8_t { Readable, Compressed, Damaged, NotesBitmap };
    std::string name; // as the user sees it: an attachment reference's display name where one gives it
    std::string item; // "$FILE", or the rich-text item the picture is in
    // A $FILE's file: the rich-text item whose attachment reference shows it ("Photo"
    // where that is one of them), "" where none; and its own name where a reference
    // shows it under another (then in name), else "".
    std::string shownIn;
    std::string storedName;
    State state = State::Readable;
    std::uint64_t declaredSize = 0;            // the size the file element gives, 0 where none
    std::shared_ptr<const std::string> base64; // clean base64 where Readable, else null

    // The decoded size where readable, else the declared size.
    std::uint64_t size() const;
    // Hands each the decoded bytes in pieces, in order (nothing unless readable).
    void forEachDecodedPiece(const std::function<void(std::string_view)>& each) const;
    // Its first bytes (up to n), decoded: enough to tell what the file is.
    std::string head(std::size_t n) const;

    friend bool operator==(const AttachedFile& a, const AttachedFile& b);
};

} // namespace brenmoor::notes
