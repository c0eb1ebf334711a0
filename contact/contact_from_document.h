// The contact of one address-book document: what each Notes item of the catalogue
// means to the programs people import into. Every value of a multi-valued item counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "contact/contact.h"
#include "notes/address_book.h"

namespace brenmoor::contact {

// The reading of the items, field by field (item names without regard to case):
// - uid from the universal ID, else name-based with the position (contact_uid.h);
//   revision from the document's last change, in UTC where its zone is known; a change
//   outside the years 1 to 9999 in UTC is kept as revisionText.
// - name: prefix "Title", given "FirstName", middle "MiddleInitial", family "LastName",
//   suffix "Suffix". formattedName: the common name of "FullName"'s first value
//   (commonName below); else given, middle and family joined by single spaces; else
//   "CompanyName", then the first e-mail address; made up where all are empty: the first
//   phone number, else "Contact N" with N the document's position.
// - nickname "ShortName", organization "CompanyName", unit "Department", jobTitle
//   "JobTitle", office "Location".
// - webPages: work "WebSite", "Work2URL", "Work3URL"; home "HomeURL"; other "OtherURL".
// - emails, in this order: work "InternetAddress", "MailAddress", "Work0Email",
//   "work1email", "work2email", "Work3Email"; home "HomeEmail"; other "OtherEmail",
//   "SchoolEmail", "mobileEmail", "MiscPhone1" to "MiscPhone3"; every value of each,
//   trimmed, "Name <address>" giving the address and its display name. Only Internet
//   addresses (contact/mail_address.h); blank ones and repeats (compared without regard
//   to case) left out. A Notes address is the notesMailAddress (abbreviated); a value
//   that is neither kind stays in otherFields under its item's name.
// - phones, in the order of PhoneKind: work voice "OfficePhoneNumber", "Work2Phone",
//   "Work3Phone"; work fax "OfficeFaxPhoneNumber", "WorkFax2Phone"; work cell
//   "CellPhoneNumber"; work pager "PhoneNumber_6"; home voice "PhoneNumber", "Home2Phone",
//   "Home3Phone"; home fax "HomeFaxPhoneNumber"; personal cell "PersPager"; assistant
//   "AssistantPhone", "Assistant2Phone"; car "CarPhone"; other "OtherPhone"; other fax
//   "OtherFaxPhone". "primaryPhoneNumber" names the preferred one's item, or holds its
//   number.
// - imAddresses "SametimeLogin" (abbreviated); isPrivate where "Confidential" is "1";
//   alternateName "AltFullName", alternateNameLanguage "AltFullNameLanguage".
// - workAddress from the "Office..." items, homeAddress from "StreetAddress", "City",
//   "State", "Zip", "Country"; none where every part is empty.
// - birthday "Birthday", anniversary "Anniversary": a date where the item is a date or a
//   text that reads as one (ISO, day.month.year, the locale's), else the text.
// - related: "Spouse", "Children", "Manager", "Assistant", a person per value, each the
//   common name.
// - briefcase "Briefcase", comment "Comment", the texts of the note (forEachNotePiece).
// - categories: every value of "Categories"; a lone value holding commas or semicolons
//   is split there (splitCategories).
// - otherFields: every further item of the user's, in the document's order, its values
//   as the window shows them joined by ", "; never the catalogue's items, Notes'
//   bookkeeping items or secrets (contact/item_kinds.h).
// - store (the PST store's meanings, from each item's first value): fullName the common
//   name of "FullName", emailDisplayName "NameDisplayPref", personalHomePage "MailDomain".
// - photo and attachments: the document's files (notes::ContactDocument::files); the
//   photo is an image (imageKindOf) of the rich-text item "Photo" (its picture, or a file
//   an attachment reference there shows), else an image whose file name holds "photo"
//   (without regard to case), else none: every other file is an attachment.
// - idFiles: the names of the Notes ID files among them (isNotesIdFile), which are
//   neither the photo nor attachments.
// Every value but the store's, the briefcase and the comment leaves out the control
// characters (C0 but tab, LF and CR; DEL; C1), and so does the note made of those two;
// each is counted in leftOutCharacters. U+2028 and U+2029 become line breaks (CR LF).
// They are left out as each value is read: a value of nothing else is blank, and so left
// out where blank values are (an e-mail address, a phone, an address of no other part).
// A text item with several values gives them all: lines of a street, a comment or a
// briefcase joined by line breaks (CR LF), the values of any other item by ", ".
// "AltFullNameSort", "Prev", "PublicKey" and "Certificate" are not contact data and are
// not read.
// position: the document's 1-based position in the book's view.
Contact contactFromDocument(const notes::ContactDocument& doc, std::int64_t position);

// The same, into contact, whose storage is reused: for reading a whole book one
// document after another.
void readContact(const notes::ContactDocument& doc, Contact& contact, std::int64_t position);
// The same from a document the caller is done with: the briefcase and the comment move
// out of it rather than being copied, so a long one is held once. The document is left
// without them.
void readContact(notes::ContactDocument&& doc, Contact& contact, std::int64_t position);

// The document's e-mail addresses in order of preference, exactly as Contact::emails
// gives them, without reading the rest of the contact.
std::vector<std::string> emailAddresses(const notes::ContactDocument& doc);

// The items a list of contacts reads beside the name items, for listedName.
std::vector<std::string> listedItems();

// The name a list of contacts shows (the window's tree, the command line's list): the
// name Notes shows, or for a contact without name items the name the model gives it (its
// company, e-mail address or first phone number) in brackets; "" where it has none.
std::string listedName(const notes::ContactDocument& doc, std::string name, std::int64_t position);

// The photo, the other files and the names of the ID files of the document, as
// readContact reads them, without reading the rest of the contact.
void readFiles(const notes::ContactDocument& doc, std::optional<Attachment>& photo,
               std::vector<Attachment>& attachments, std::vector<std::string>& idFiles);
void readFiles(const notes::ContactDocument& doc, std::optional<Attachment>& photo,
               std::vector<Attachment>& attachments);

// A Notes ID file, which holds its owner's private keys and is never exported. Told by
// its name ending in ".id" (without regard to case; its name in the book or the name a
// reference shows), as the format of ID files is not published and has no signature to
// tell it by.
bool isNotesIdFile(const notes::AttachedFile& file);

// What the file is, by its first bytes; None for a file that cannot be read.
ImageKind imageKindOf(const notes::AttachedFile& file);

// The common name of a Notes user name: "Ann Lee" for "CN=Ann Lee/O=Acme" and for
// "Ann Lee/Acme"; a flat name as it is (notes::commonName).
std::string commonName(std::string_view userName);

} // namespace brenmoor::contact
