// The address book: the contacts of a Notes personal address book exported as DXL
// (Domino XML). The view "Contacts" is every Person document among the children of the
// <database> root, in file order: a <document form='Person'>, or a <note class='document'>
// (the exporter's note form) whose Form item reads Person; save and replication conflicts
// (conflict='true', or a $Conflict item) are none. Each is a ContactDocument read by item name.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/calendar_date.h"
#include "notes/attached_file.h"
#include "notes/contact_items.h"

namespace brenmoor::notes {

// Any failure to read the book. what() is a complete sentence for the user and
// names the file.
class NotesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of one item, kept in the form the file recorded it: its first value, and
// for a list (textlist, numberlist, datetimelist) the values after the first.
struct ItemValue {
    enum class Kind : std::uint8_t { Empty, Text, Number, DateTime, RichText };
    Kind kind = Kind::Empty;
    std::string text; // Text/RichText: the text (UTF-8); Number: the number as written in the file;
                      // DateTime: the DXL date-time as written (e.g. 19700102T150405,00+01);
                      // a range (datetimepair) its two ends joined by '/'
    std::vector<std::string> more; // a list's further values, written as text is
    bool unreadable = false;       // the file holds the value only as raw data (rawitemdata,
                                   // itemdata): its text is empty
};

// What the document's <noteinfo> says of it.
struct NoteInfo {
    std::string unid;     // the universal ID as written (32 hex digits), or ""
    std::string modified; // the DXL date-time of the last change as written, or ""
};

// One contact: its items by name. Names compare without regard to case; where a
// document has two items of one name, the first counts. The catalogue items are
// found once, when the document is made, so reading them by ContactItem is cheap.
class ContactDocument {
public:
    ContactDocument();
    explicit ContactDocument(std::vector<std::pair<std::string, ItemValue>> items, NoteInfo info = {},
                             std::vector<AttachedFile> files = {});

    // The item's first value as text (UTF-8), formatted for the current locale, a
    // canonical name in the abbreviated form Notes shows (notes/user_name.h); the empty
    // text where the document lacks the item.
    std::string itemText(std::string_view name) const;
    std::string itemText(ContactItem item) const;

    // Every value of the item as text, formatted as itemText formats the first;
    // empty where the document lacks the item or the item is empty.
    std::vector<std::string> itemTexts(std::string_view name) const;
    std::vector<std::string> itemTexts(ContactItem item) const;

    // The item's first value as a calendar date: a date-time, or a text that reads
    // as a date (ISO yyyy-mm-dd, day.month.year, or the locale's short date). Nothing otherwise.
    std::optional<CalendarDate> itemDate(std::string_view name) const;
    std::optional<CalendarDate> itemDate(ContactItem item) const;

    // The item's value as recorded; nothing where the document lacks the item.
    const ItemValue* find(std::string_view name) const;
    const ItemValue* find(ContactItem item) const {
        const std::uint8_t at = catalogue_[static_cast<std::size_t>(item)];
        if (at != kAbsent) return &items_[at].second;
        return items_.size() < kAbsent ? nullptr : find(notesName(item));
    }
    const std::vector<std::pair<std::string, ItemValue>>& items() const { return items_; }
    // Where find(item) finds the item among items(); items().size() where the document lacks it.
    std::size_t positionOf(ContactItem item) const;
    // Whether the item at this place among items() is one of the catalogue's (a second
    // item of a catalogue name too), found when the document was made.
    bool isCatalogued(std::size_t index) const {
        return index < kAbsent ? catalogued_[index] : catalogueItem(items_[index].first).has_value();
    }
    // Hands the item's value over, leaving the item in place with an empty value; an
    // empty value where the document lacks the item. For a reader done with the document
    // that keeps a long value without copying it.
    ItemValue takeValue(ContactItem item);
    const NoteInfo& noteInfo() const { return info_; }
    // The attached files and the pictures of "Photo", in the document's order.
    const std::vector<AttachedFile>& files() const { return files_; }

private:
    static constexpr std::uint8_t kAbsent = 0xFF;

    std::vector<std::pair<std::string, ItemValue>> items_;
    NoteInfo info_;
    std::vector<AttachedFile> files_;
    // Where each catalogue item stands among the first kAbsent items, or kAbsent (in a
    // document of more items, one further on is then found by name).
    std::array<std::uint8_t, kContactItemCount> catalogue_;
    std::bitset<kAbsent> catalogued_; // isCatalogued for the first kAbsent items
};

// The documents among the root's children that are no contacts: conflicts, and the
// documents of other forms, counted by form in the order they first came.
struct OtherDocuments {
    std::int64_t conflicts = 0;
    std::vector<std::pair<std::string, std::int64_t>> forms; // "" for a document without a form
    // Conflicts whose parent no document of the book has: the only copy of the contact,
    // handed out after the Person documents. Their display names, once the walk ended.
    std::vector<std::string> keptConflicts;
    // While the walk goes on: the conflicts that name their parent, in file order (counted
    // among conflicts until the walk's end tells which are kept).
    struct OpenConflict {
        ContactDocument document;
        std::string parent; // its universal ID as written
        std::uint64_t offset = 0;
    };
    std::vector<OpenConflict> openConflicts;

    void addForm(std::string_view form, std::int64_t count = 1);
    void add(const OtherDocuments& more);
    bool empty() const { return conflicts == 0 && forms.empty(); }
};

// "2 conflicts, 3 Group, 1 Location": the documents that are no contacts, by kind.
std::string otherDocumentsText(const OtherDocuments& others);
// "kept: conflict without its original: Eva Berg, Ola Nordmann": the conflicts handed
// out as contacts; "" where there are none.
std::string keptConflictsText(const OtherDocuments& others);

// The items a Group document (a mailing list of the book) is read by: "ListName",
// "Members", "ListDescription", "ListCategory", "GroupType", "InternetAddress".
bool isGroupItem(std::string_view name);

// Which file a book was read from, and its state then: the same file changed or
// replaced since has another identity.
struct BookIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // the time of its last change, in nanoseconds since 1970
    friend bool operator==(const BookIdentity&, const BookIdentity&) = default;
};

// Where the walk found a document: the book as it was then, and the offset of the
// document's start tag in it. Lets a later reader of the same book go straight there.
struct DocumentPlace {
    BookIdentity book;
    std::uint64_t offset = 0;
};

// One opened address book. Every operation of the program opens its own and drops
// it when done; opening is cheap (no full parse). The book is read in pieces, never
// held whole in memory; when the file changes while it is read, the operation that
// notices throws NotesError saying so.
class AddressBook {
public:
    // Opens the file; throws NotesError when it is missing, unreadable, a Notes
    // database (.nsf) rather than its DXL export, or not a DXL database.
    explicit AddressBook(const std::string& path);
    ~AddressBook();
    AddressBook(const AddressBook&) = delete;
    AddressBook& operator=(const AddressBook&) = delete;

    const std::string& path() const;
    // The replica ID the DXL gives the database (<database replicaid=...>), as written
    // without surrounding spaces; "" where it gives none. The same in every replica and
    // export of one database.
    const std::string& replicaId() const;

    // Number of contacts in the view. Throws NotesError on malformed XML.
    std::int64_t entryCount();

    // Reads the whole book as the walk does, keeping nothing: throws NotesError, with
    // the message the walk would give, where the book cannot be read to its end.
    void checkWhole();

    // The walk in view order: the first document, then each next one; nothing
    // after the last. Throws NotesError on malformed XML.
    std::optional<ContactDocument> firstDocument();
    std::optional<ContactDocument> nextDocument();

    // The book's Group documents (its mailing lists and access lists) in file order, but
    // conflicts: each with only its group items (isGroupItem) and its note info. Found by
    // the count (entryCount), which is made here where it has not been yet. Throws
    // NotesError as entryCount does.
    const std::vector<ContactDocument>& groupDocuments();
    // Instead: hands each Group document to take as the count finds it (at once those it
    // found already), so that a book of many lists never holds them all; groupDocuments()
    // gives none of them then.
    void handOutGroups(std::function<void(const ContactDocument&)> take);

    // The walk keeps only these items of each document, and of its note info only the
    // UNID, from the next firstDocument on (names without regard to case); every item and the note
    // info where the list is empty, as at the start. Reading the three names of every
    // contact is quicker than reading all.
    void keepOnlyItems(std::vector<std::string> names);

    // The documents the walk passed over since firstDocument: complete once the walk
    // has ended (nextDocument gave nothing).
    const OtherDocuments& otherDocuments() const;

    // Where the document the walk handed out last lies in the book; nothing before
    // the walk, and for books that can only be read from the start.
    std::optional<DocumentPlace> place() const;

    // The document at 1-based position n of the view, or nothing where the view
    // has no such position. Does not parse the whole book.
    std::optional<ContactDocument> documentAt(std::int64_t n);
    // The same, going straight to the place an earlier walk found it at where the book
    // is still as it was then and a document starts there; otherwise as above.
    std::optional<ContactDocument> documentAt(std::int64_t n, const DocumentPlace& place);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The display name of a contact in the tree: first name, a space, middle initial,
// a space, last name, with leading and trailing spaces removed.
std::string displayName(const ContactDocument& doc);
// The items displayName reads, for a walk that needs nothing else (keepOnlyItems).
std::vector<std::string> displayNameItems();

// The walk of the contact list (the window's Scan, the command line's list): hands
// listed each contact's display name and place, in view order, reading no other item.
// Throws NotesError where the book cannot be read on; what was listed before stays so.
using ListedContact = std::function<void(const std::string& name, const std::optional<DocumentPlace>& place)>;
void listContacts(AddressBook& book, const ListedContact& listed);
// The same walk reading also the items named in alsoItems, and handing out each
// document with its display name (the window lists and filters by more than the name).
using ListedDocument = std::function<void(const ContactDocument& doc, const std::string& name,
                                          const std::optional<DocumentPlace>& place)>;
void listContacts(AddressBook& book, const std::vector<std::string>& alsoItems, const ListedDocument& listed);

} // namespace brenmoor::notes
