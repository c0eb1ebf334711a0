// A contact as the programs people import into see one: its name, organisation, typed
// phones and addresses, e-mail addresses in order of preference, dates, related people,
// note and categories. It says once what a Notes item means; the importer formats only
// spell it in their own syntax.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"
#include "notes/attached_file.h"

namespace brenmoor::contact {

// A birthday or an anniversary: a calendar date where the item holds one (or a text
// that reads as one), else the item's text as it is.
struct DateOrText {
    std::optional<CalendarDate> date;
    std::string text; // set only where there is no date
    bool empty() const { return !date && text.empty(); }
    friend bool operator==(const DateOrText&, const DateOrText&) = default;
};

// A moment of the clock: in UTC where the book recorded its zone, else as recorded.
struct Timestamp {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool utc = false;
    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

struct Name {
    std::string prefix; // "Ms.", "Dr."
    std::string given;
    std::string middle;
    std::string family;
    std::string suffix; // "Jr.", "III"
    friend bool operator==(const Name&, const Name&) = default;
};

// What a number is. "PersPager" is the personal cell phone: the phone of the Personal
// page beside the home phone and fax, whatever its name says.
enum class PhoneKind {
    WorkVoice, WorkFax, WorkCell, WorkPager, HomeVoice, HomeFax, PersonalCell,
    Assistant, Car, OtherVoice, OtherFax,
};

struct Phone {
    PhoneKind kind;
    std::string number;
    bool preferred = false; // the number the person wants to be called at first
    friend bool operator==(const Phone&, const Phone&) = default;
};

// Where an e-mail address or a web page belongs.
enum class Place { Work, Home, Other };

// An Internet mail address, with the name written beside it where there was one
// ("Kim Lee" of "\"Kim Lee\" <kim.lee@example.com>").
struct Email {
    Place place;
    std::string address;
    std::string displayName;
    friend bool operator==(const Email&, const Email&) = default;
};

struct WebPage {
    Place place;
    std::string url;
    friend bool operator==(const WebPage&, const WebPage&) = default;
};

// A value no field of the model takes, under the name of its item.
struct OtherField {
    std::string label;
    std::string value;
    friend bool operator==(const OtherField&, const OtherField&) = default;
};

// Never all empty: an address without any part is no address.
struct Address {
    std::string street; // may hold several lines
    std::string city;
    std::string region;
    std::string postalCode;
    std::string country;
    friend bool operator==(const Address&, const Address&) = default;
};

enum class Relation { Spouse, Child, Manager, Assistant };

struct Related {
    Relation relation;
    std::string name;
    friend bool operator==(const Related&, const Related&) = default;
};

// What an image file is, told by its first bytes (never by its name): JPEG FF D8 FF,
// PNG 89 50 4E 47 0D 0A 1A 0A, GIF "GIF87a" or "GIF89a"; None for any other file.
enum class ImageKind : std::uint8_t { None, Jpeg, Png, Gif };

// A file of the contact: its photo, or another file attached to it. Its bytes are never
// held decoded: a writer takes them a piece at a time (forEachDecodedPiece: pieces of a
// multiple of 3 bytes but the last, so each may be encoded as base64 on its own), and
// each copy of an Attachment shares the one base64 text the book's reader kept.
// A file the book holds compressed or damaged (readable() false) has no bytes: the
// formats name it, and the run's summary says what to do.
struct Attachment {
    notes::AttachedFile file;
    ImageKind image = ImageKind::None;

    const std::string& name() const { return file.name; }
    bool readable() const { return file.state == notes::AttachedFile::State::Readable; }
    // The decoded size in bytes (for a file that is not readable, the size the book declares).
    std::uint64_t size() const { return file.size(); }
    void forEachDecodedPiece(const std::function<void(std::string_view)>& each) const {
        file.forEachDecodedPiece(each);
    }
    friend bool operator==(const Attachment&, const Attachment&) = default;
};

// "image/jpeg", "image/png", "image/gif"; "" for None.
std::string_view mediaType(ImageKind kind);
// "JPEG", "PNG", "GIF" (vCard 3.0's TYPE); "" for None.
std::string_view imageTypeName(ImageKind kind);

struct Contact {
    // The same document always gets the same uid: lower-case 8-4-4-4-12 UUID form.
    std::string uid;
    std::optional<Timestamp> revision; // the document's last change
    // The last change as the book wrote it, where it is a moment no format can write
    // (in UTC, before year 1 or after 9999); it goes into the note as a line.
    std::string revisionText;

    Name name;
    // Never empty: the contact's name, company or e-mail address, else a name made up
    // for it (its first phone number, else "Contact N" after its position in the book).
    std::string formattedName;
    bool formattedNameMadeUp = false;
    std::string nickname;
    std::string organization;
    std::string unit;        // department
    std::string jobTitle;
    std::string office;      // office location: building, floor, room
    // Work pages first, then home, then other ones.
    std::vector<WebPage> webPages;

    // Every Internet mail address once, in order of preference: the first is the
    // preferred one. Empty and repeated addresses are left out.
    std::vector<Email> emails;
    // The address the person gets Notes mail at ("Jane Doe/Sales/Acme@ACME"), in the
    // abbreviated form; several joined by ", ".
    std::string notesMailAddress;
    // Instant-messaging addresses (Sametime logins), in the abbreviated form.
    std::vector<std::string> imAddresses;
    // Every phone number, in the order of PhoneKind; a kind may occur more than once.
    std::vector<Phone> phones;
    std::optional<Address> workAddress;
    std::optional<Address> homeAddress;

    DateOrText birthday;
    DateOrText anniversary;
    // In the order spouse, children, manager, assistant.
    std::vector<Related> related;

    // The two texts the note is made of, as written (blank ones and control characters
    // too). The note itself is never held whole, as a comment may be very long: the
    // formats write it piece by piece (forEachNotePiece).
    std::string briefcase;
    std::string comment;
    std::vector<std::string> categories;

    bool isPrivate = false; // the person asked that the contact not be shared
    // The name in another script or language ("田中 花子"), and that language's tag ("ja").
    std::string alternateName;
    std::string alternateNameLanguage;
    // The reading of the name (AltFullNameSort, "やまだ たろう") as written; and where it
    // is two words, the given name's and the family name's (in the alternate name's order:
    // family first where it begins with the family name or is Japanese, Chinese or Korean).
    std::string nameReading;
    std::string readingGiven, readingFamily;
    // The user's items no field above takes, in the order of the document.
    std::vector<OtherField> otherFields;

    // The contact's photo: an image among its files (told by content), the one of the
    // rich-text item "Photo", else one whose name holds "photo". Every other file of the
    // contact, in the document's order, is in attachments (those that cannot be read
    // too, so that each is named), but its Notes ID files: they hold private keys and are
    // never written, and only their names are kept, for the note and the summary.
    std::optional<Attachment> photo;
    std::vector<Attachment> attachments;
    std::vector<std::string> idFiles;

    // Control characters (other than tab and line breaks) that the values held and the
    // contact leaves out, as no reader of its formats takes them.
    std::int64_t leftOutCharacters = 0;

    // What the PST store's layout makes of items the importer formats read otherwise or
    // not at all.
    struct StoreFields {
        std::string fullName;         // the common name of "FullName": the name the store lists it under
        std::string emailDisplayName; // "NameDisplayPref": the display name of e-mail 1
        std::string personalHomePage; // "MailDomain": the personal home page
        friend bool operator==(const StoreFields&, const StoreFields&) = default;
    } store;

    friend bool operator==(const Contact&, const Contact&) = default;
};

// The contact's note: the briefcase text, an empty line, then the comment (either alone
// where the other is blank), without the control characters the other values leave out.
// Hands it to each in pieces, in order, none empty, none copied: joined, they are the
// note. Nothing where the note is empty or white space alone.
void forEachNotePiece(const Contact& contact, const std::function<void(std::string_view)>& each);
// The note whole, for short ones.
std::string noteText(const Contact& contact);
// True where the note holds more than white space.
bool hasNote(const Contact& contact);

// The given, middle and family name joined by single spaces, the empty ones left out.
// Names made of other values (this one, the formatted name, the store's names) are cut
// at text::kDerivedNameLimit bytes; the parts themselves stay whole.
std::string joinedName(const Name& name);

// The categories of one text: its parts between commas and semicolons, without
// surrounding white space, the blank ones left out.
void splitCategories(std::string_view text, std::vector<std::string>& categories);

// How the PST store names a contact, by the rules of its layout (Outlook's file-as
// choices). The display name: the store's full name, else the joined name, else the
// organization. Filed as "Family, Given Middle" (either side alone where the other is
// empty); without a name under the organization, else under the display name.
struct StoreNames {
    enum class FileAs { FamilyGivenMiddle, Organization, DisplayName, Nothing };
    std::string displayName;
    std::string fileAs; // empty where the rule is Nothing
    FileAs rule = FileAs::Nothing;
};
StoreNames storeNames(const Contact& contact);

} // namespace brenmoor::contact
