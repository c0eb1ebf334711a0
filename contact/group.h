// The mailing lists of an address book (its Group documents), each member resolved to
// what it names: a contact of the book, another list of the book, an address outside the
// book, or a Notes name without an Internet address. Format-neutral, like the contact.
//
// How a writer of lists uses it, in the export's walk:
//   1. Before the contacts: GroupBook groups, and groups.add(doc) for each Group document
//      as the book's count finds it (notes::AddressBook::handOutGroups), or
//      GroupBook groups(book.groupDocuments()).
//   2. For every contact the writer writes, once its model is read:
//      groups.look(doc, contact, runningNumber). Where that is true the contact is a
//      member of some list: the writer keeps the identity it wrote for the contact (its
//      UID as written, its LDIF dn, its PST entry) under that running number. Only those
//      contacts are kept, so a book of many contacts costs little more.
//   3. After the walk: groups.resolve(), then write lists() (after the contacts).
//      A member of kind Contact names the contact by `contact`, the running number its
//      writeContact step got (its 1-based position in the book); it is always a contact
//      the writer was shown in step 2. A member of kind Group names another list by
//      `group`, its index in lists(); lists may name each other in a circle (expanded()
//      gives the members of a list and the lists inside it, each once).
// The lists hold their texts compactly: a member's name and address are views into the
// GroupBook's own store, where each text is kept once however many lists name it. A
// GroupBook is moved, never copied; its views live as long as it does.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "contact/contact.h"
#include "notes/address_book.h"

namespace brenmoor::contact {

// What a group is for, by its GroupType item: "0" (or no GroupType) multi-purpose, "1"
// mail only, "2" access control only, "3" deny list only, "4" servers only. Only the
// first two are address lists; Other is any other value.
enum class GroupType { MultiPurpose, MailOnly, AccessControl, DenyList, Servers, Other };

// "multi-purpose", "mail only", "access control only", "deny list only", "servers only",
// "of an unknown type", in the installed translation's language (the command line's stay
// English).
std::string groupTypeName(GroupType type);

struct GroupMember {
    enum class Kind {
        Contact,    // a contact of the book: contact, its name, and the e-mail address the list names
        Group,      // another list of the book: group
        Outside,    // an Internet address the book has no contact for: address, name
        Unaddressed // a Notes name or mail address matching nothing of the book: name
    };
    Kind kind = Kind::Unaddressed;
    // Contact: the contact's formatted name; Group: the list's name; Outside: the name
    // written before the address ("Kim Lee" of "Kim Lee <kim@example.com>"), else "";
    // Unaddressed: the member as the group lists it, a canonical name abbreviated.
    std::string_view name;
    // Contact: the address the list names it by, else its first e-mail address, "" where
    // it has none; Outside: the address.
    std::string_view address;
    std::int64_t contact = 0; // Contact: the running number (1-based position in the book)
    std::size_t group = 0;    // Group: the index in GroupBook::lists()
    int emailSlot = 0;        // Contact: which of its e-mail addresses address is (0 the first)

    friend bool operator==(const GroupMember&, const GroupMember&) = default;
};

// Its texts are views into the GroupBook's store (or, from readGroup, into the store given).
struct Group {
    std::string_view name;        // "ListName"; "Group N" (its position) where it has none
    GroupType type = GroupType::MultiPurpose;
    std::string_view description; // "ListDescription", its values as lines (CR LF)
    std::vector<std::string> categories; // every value of "ListCategory" (a lone one split as a contact's)
    std::string_view internetAddress; // the list's own "InternetAddress", where it is an Internet address
    // Stable: the universal ID as a UUID, else a name-based UUID of the group's items and
    // its position among the book's groups (groupUid). Distinct from every contact's.
    std::string_view uid;
    std::string_view unid;        // the universal ID as written, or ""
    std::vector<std::string_view> memberNames; // "Members", each value trimmed, repeats and blanks left out
    std::vector<GroupMember> members;          // resolved: one per target, in the order of memberNames

    bool addressList() const { return type == GroupType::MultiPurpose || type == GroupType::MailOnly; }
};

// Texts kept in blocks, each a view that stays where it is; kept() once for each text
// given, interned() once for equal texts.
class TextStore {
public:
    std::string_view kept(std::string_view text);
    std::string_view interned(std::string_view text);

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t left_ = 0; // free bytes at the end of the last block
    std::unordered_set<std::string_view> interned_;
};

// The group of one Group document, its texts kept in store; members not yet resolved.
// position: its 1-based position among the book's Group documents.
Group readGroup(const notes::ContactDocument& doc, std::int64_t position, TextStore& store);

// A member name that finds more than one contact: the first is taken.
struct AmbiguousMember {
    std::string_view name; // as the list gives it
    int contacts = 0;      // how many contacts it finds
    bool byAddress = false;
};

class GroupBook {
public:
    GroupBook() = default;
    // The book's Group documents, in file order (notes::AddressBook::groupDocuments).
    explicit GroupBook(const std::vector<notes::ContactDocument>& documents);
    GroupBook(GroupBook&&) = default;
    GroupBook& operator=(GroupBook&&) = default;

    // The next Group document of the book, in file order.
    void add(const notes::ContactDocument& doc);

    // True where the book has no address list: nothing to look for or to write.
    bool empty() const { return lists_.empty(); }

    // Looks at a contact being written (its document and its model) under its running
    // number. True where it is the first contact a member of some list names: by any
    // value of "FullName" (canonical, abbreviated, or its common name), by its formatted
    // name, its first and last name, its short name, or any of its e-mail addresses;
    // names compared as Notes does, without regard to case.
    // A contact the export passes over (not picked) is looked at with picked false: the
    // members that name it are left out, not taken for another contact or an outside address.
    bool look(const notes::ContactDocument& doc, const Contact& contact, std::int64_t runningNumber,
              bool picked = true);

    // For an export of picked contacts: resolve() keeps of each list only the picked
    // contacts and the lists inside that hold one, and leaves out the lists holding none.
    void keepPickedOnly() { pickedOnly_ = true; }

    // Resolves every member from what look() saw; once the walk has ended.
    void resolve();

    // After resolve() of picked contacts: the lists left out, none of their members picked.
    std::int64_t listsLeftOut() const { return listsLeftOut_; }

    // The address lists (types multi-purpose and mail only), in file order.
    const std::vector<Group>& lists() const { return lists_; }
    // The other groups (access control, deny or server lists): not address lists, not written.
    const std::vector<Group>& notLists() const { return notLists_; }

    // The members of list i with the lists inside it expanded (each list once, however
    // they name each other): contacts, outside addresses and unaddressed names, each once.
    std::vector<GroupMember> expanded(std::size_t i) const;

    // The lists that hold one of those marked (by index in lists()), themselves or through
    // the lists inside them.
    std::vector<bool> holding(std::vector<bool> marked) const;

    // After resolve(): the member names that found more than one contact, each once.
    const std::vector<AmbiguousMember>& ambiguous() const { return ambiguous_; }

private:
    struct Found {
        std::int64_t runningNumber = 0;
        std::string_view name;
        std::string_view address;
        int emailSlot = 0;
        int contacts = 1;             // the distinct contacts the key finds
        std::int64_t lastNumber = 0;  // the last of them
        bool picked = true;
    };

    // Leaves out of lists_ those not marked, and renumbers the lists the others name.
    void keepOnly(const std::vector<bool>& kept);

    TextStore store_;
    std::vector<Group> lists_;
    std::vector<Group> notLists_;
    std::int64_t documents_ = 0;
    std::unordered_map<std::string, Found> found_;     // key -> the first contact it finds
    std::unordered_set<std::uint64_t> keys_;           // the hash of every key a member names
    std::vector<AmbiguousMember> ambiguous_;
    bool pickedOnly_ = false;
    std::int64_t listsLeftOut_ = 0;
};

// "Jane Doe: 2 contacts of that name; the first was taken", in the installed
// translation's language.
std::string ambiguityText(const AmbiguousMember& member);

// The book's groups with every member resolved: the Group documents, then one walk over
// the contacts (for a program that lists the groups rather than exporting them). Throws
// notes::NotesError where the book cannot be read. eachDocument, where given, is called
// before each document of the walk (a caller that may stop throws from it).
GroupBook readGroups(notes::AddressBook& book, const std::function<void()>& eachDocument = {});

} // namespace brenmoor::contact
