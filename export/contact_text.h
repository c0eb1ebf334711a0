// Pieces of the contact model as the importer formats spell them: dates, the labels of
// phones and related people, and the labelled note lines that keep a value a format has
// no place for ("Home fax: +1 555 0100"), so nothing is lost on the way.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "contact/contact.h"
#include "export/text_sink.h"

namespace brenmoor::exporting {

// "1978-03-14".
std::string isoDate(const CalendarDate& date);

// "Office phone", "Home fax", ...; "Spouse", "Child", ...
std::string_view phoneLabel(contact::PhoneKind kind);
std::string_view relationLabel(contact::Relation relation);

// Appends "label: value" to note as a line of its own (lines joined by CR LF).
void appendNoteLine(std::string& note, std::string_view label, std::string_view value);

// A value handed out in pieces, in order, none of them copied: a text, or the contact's
// note with labelled lines after it on a line of their own. A writer passes each piece
// on as it comes, so a long note is never held twice.
class PiecedText {
public:
    PiecedText() = default;
    PiecedText(std::string_view text) : text_(text) {}
    PiecedText(const std::string& text) : text_(text) {}
    PiecedText(const char* text) : text_(text) {}
    PiecedText(const contact::Contact& noteOf, std::string_view lines) : text_(lines), noteOf_(&noteOf) {}

    bool empty() const { return text_.empty() && (!noteOf_ || !contact::hasNote(*noteOf_)); }
    // Hands each piece on in order: the note's, a line break, the lines after it. A text
    // without a note is one piece, handed on without a call through std::function.
    template <typename Each> void forEach(Each&& each) const {
        const bool any = noteOf_ && forEachNotePiece(std::ref(each));
        if (text_.empty()) return;
        if (any) each(std::string_view("\r\n"));
        each(text_);
    }

private:
    // Hands each piece of the note on; whether there was any.
    bool forEachNotePiece(const std::function<void(std::string_view)>& each) const;

    std::string_view text_; // the lines after a note
    const contact::Contact* noteOf_ = nullptr;
};

// A CSV record as the importer formats write it (RFC 4180): every field quoted, a quote
// inside doubled, each value passed on piece by piece, CR LF at the end.
void appendQuotedCsvRecord(TextSink& out, std::span<const PiecedText> fields);

// True where the contact's name is known only as a whole (from the full name): no given,
// middle or family name, and a formatted name that is neither made up nor taken from the
// organisation or the first e-mail address. A CSV without a column for the whole name
// puts it in the first name, where the importers' own name parsing starts it.
bool nameKnownOnlyWhole(const contact::Contact& contact);

// What a format carries in fields of its own, beyond the fields every format has.
struct Carried {
    bool instantMessaging = false;
    bool alternateName = false;
    bool photo = false;       // the photo's bytes
    bool attachments = false; // the bytes of the other files
    bool privateFlag = false; // the private flag, else the line "Private contact"
    bool nameReading = false; // the reading split into given and family name, where it splits
};

// Appends the note lines every format writes alike after its own: "Notes mail address",
// the instant-messaging addresses, the alternate name, "Private contact", the photo ("Photo: me.png (2 KB)")
// and each attachment ("Attachment: contract.pdf (120 KB)") where the format does not
// carry them, then, under a line "Other fields", a line for each of the user's items no
// field of the model takes.
void appendCommonNoteLines(std::string& lines, const contact::Contact& contact, Carried carried);

// "contract.pdf (120 KB)", "me.png (73 bytes)", "scan.tif (1.5 MB)"; a file that cannot be
// read says why: "minutes.doc (stored compressed in the book, not readable)".
std::string attachmentText(const contact::Attachment& file);

// "Work web page", "Home web page", "Web page".
std::string_view webPageLabel(contact::Place place);

// The categories in their order, separator between each two.
std::string joinedCategories(const std::vector<std::string>& categories, std::string_view separator);

// A fixed place for a phone number (an LDIF attribute, a CSV column), the kinds of number
// it is for, and those it also takes when they find no place of their own (a third work
// number in the other phone), only after every number of its own kinds is placed.
struct PhoneSlot {
    std::string_view name;
    std::uint32_t kinds;          // phoneKinds(...)
    std::uint32_t alsoKinds = 0;  // phoneKinds(...)
};

constexpr std::uint32_t phoneKinds(std::initializer_list<contact::PhoneKind> kinds) {
    std::uint32_t bits = 0;
    for (contact::PhoneKind kind : kinds) bits |= 1u << static_cast<unsigned>(kind);
    return bits;
}

// Puts each phone, in order, into the first free slot for its kind, then each phone left,
// in order, into the first free slot that also takes its kind: numbers[i] becomes slot
// i's number ("" where none). Returns the phones that found no slot, in order.
std::vector<const contact::Phone*> fillPhoneSlots(const std::vector<contact::Phone>& phones,
                                                  std::span<const PhoneSlot> slots,
                                                  std::vector<std::string_view>& numbers);

} // namespace brenmoor::exporting
