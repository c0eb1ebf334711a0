// A contact item being filled: its fields, two dates, body and categories, kept
// until Save lays them out as the message's properties (with what Outlook writes
// for a contact it saves: class, subject, file-as, flags, times, search key) and
// writes the message into its folder. A long body goes to the file as it is set.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/calendar_date.h"
#include "pst/ltp/property_value.h"
#include "pst/ltp/streamed_value.h"
#include "pst/messaging/attachment.h"
#include "pst/messaging/contact_field.h"
#include "pst/messaging/distribution_list.h"
#include "pst/messaging/entry_id.h"
#include "pst/ndb/node_database.h"

namespace brenmoor::pst::messaging {

class Folder;
class NamedPropertyMap;

// FILETIME (100 ns since 1601-01-01 UTC) of 00:00 UTC on the date.
std::uint64_t utcMidnight(const CalendarDate& date);
// FILETIME of 00:00 on the date in this machine's time zone, as Outlook stores a
// birthday so that it shows the same day.
std::uint64_t localMidnight(const CalendarDate& date);

// The rule a contact's file-as text follows, as Outlook declares it beside the text.
enum class FileUnder { LastFirstMiddle, Company, DisplayName };

// A contact, or (message class "IPM.DistList") a personal distribution list, which
// holds a name, members, a body and categories.
class ContactItem {
public:
    // searchKey: its lasting identity beside the NID (MessageStore::newItemIdentity).
    ContactItem(Folder& folder, ndb::Nid nid, std::string messageClass, const StoreUid& searchKey);

    ndb::Nid nid() const { return nid_; }
    bool isList() const { return messageClass_ == "IPM.DistList"; }

    // Sets a text field. An empty text writes nothing and leaves a value set
    // earlier in place (two source items may feed one field).
    void setText(ContactField field, std::string_view text);
    // Sets a date; days that are no calendar day are refused with StoreError.
    void setDate(ContactDate which, const CalendarDate& date);
    // The text the contact is filed under and its rule; a contact without one is
    // filed as "Untitled".
    void setFileAs(std::string_view text, FileUnder rule);
    // The body, given in pieces that follow one another, so that a long text need
    // not be joined first. It is converted at once, and a long one written to the
    // file a block at a time (std::runtime_error where that fails).
    void setBody(std::span<const std::string_view> pieces);
    void setBody(std::string_view text) { setBody(std::span<const std::string_view>(&text, 1)); }
    void setCategories(std::vector<std::string> categories);
    // Every child's name; the children field holds the first.
    void setChildren(std::vector<std::string> names);
    // A private contact is hidden from those the store's owner shares the folder with.
    void setPrivate(bool isPrivate) { private_ = isPrivate; }
    // A list's members, in order; the list's name is its display name.
    // A list too long for the multi-valued properties is written to the file at once,
    // in the stream form, a block at a time.
    void setMembers(std::vector<ListMember> members);

    // Attaches a file by value (the contact's picture where contactPicture); its bytes
    // follow with appendAttachment, written to the file a block at a time
    // (std::runtime_error where that fails). A file is complete when the next one is
    // added or the item is saved.
    void addAttachment(std::string_view fileName, bool contactPicture = false);
    void appendAttachment(std::span<const std::uint8_t> bytes);

    const std::string& text(ContactField field) const;

    // The item's properties as they are stored; named properties get their IDs
    // from names.
    std::vector<std::pair<ltp::PropTag, ltp::PropValue>> properties(NamedPropertyMap& names) const;

    // Writes the item into its folder. An item is saved once; saving again
    // replaces it. An item lives no longer than its store.
    void save();

private:
    class PropertyList;
    struct Names {
        std::string display, fileAs, initials;
        std::int32_t fileAsId = 0;
    };
    // The address book provider's entries set: their numbers, and as bits.
    struct Entries {
        std::vector<std::int32_t> numbers;
        std::int32_t mask = 0;
    };

    // The steps of properties().
    void putAll(PropertyList& list) const;
    void putContactProperties(PropertyList& list) const;
    Names nameOf() const;
    void putStandardProperties(PropertyList& list) const;
    void putNamesAndFileAs(PropertyList& list, const Names& names) const;
    void putFieldTexts(PropertyList& list) const;
    void putEmailEntries(PropertyList& list, const std::string& displayName, Entries& entries) const;
    void putFaxEntries(PropertyList& list, const std::string& displayName, Entries& entries) const;
    void putAddresses(PropertyList& list) const;
    void putDatesBodyAndCategories(PropertyList& list) const;
    void putListProperties(PropertyList& list) const;
    void finishAttachment();

    Folder* folder_;
    ndb::Nid nid_;
    std::string messageClass_;
    std::uint64_t created_;
    ltp::Bytes searchKey_;
    ltp::Bytes conversationIndex_;
    std::array<std::string, kContactFieldCount> texts_; // by field; empty where unset
    std::optional<CalendarDate> birthday_, anniversary_;
    std::string fileAs_;
    FileUnder fileUnder_ = FileUnder::LastFirstMiddle;
    std::optional<ltp::PropValue> body_; // in its stored form
    ltp::WrittenBlocks written_;         // the blocks of a long body and long texts
    std::vector<std::uint64_t> savedTextBlocks_; // the long texts' blocks of the last save
    std::vector<std::string> categories_;
    std::vector<std::string> children_;
    bool private_ = false;
    bool saved_ = false;
    std::vector<ListMember> members_;
    std::optional<ltp::PropValue> listStream_; // the stream form of a long list, written
    std::vector<Attachment> attachments_;
    std::unique_ptr<ltp::StreamedValueWriter> attaching_; // the last file added, while its bytes come
};

} // namespace brenmoor::pst::messaging
