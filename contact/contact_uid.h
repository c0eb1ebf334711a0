// The stable identity of a contact, so that importing the same book again updates the
// contacts instead of adding them twice: the document's universal ID written as a UUID,
// or, for a document without one, a name-based UUID (version 5) of its item values and
// its position in the book. Within one file every UID is distinct: a UID given earlier
// in the file (a book put together from two replicas repeats universal IDs) gives way
// to one derived from the universal ID and the position, the same in every run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "notes/address_book.h"

namespace brenmoor::contact {

// The namespace of the name-based UUIDs: Brenmoor's own, fixed for good, since a change
// would give every contact without a universal ID a new identity.
inline constexpr std::string_view kContactUidNamespace = "47964b61-5715-4838-9998-7c2c7aa2a906";

// A Notes universal ID (32 hex digits) in 8-4-4-4-12 form, lower case; "" where unid is
// not 32 hex digits.
std::string uuidFromUnid(std::string_view unid);

// The version 5 UUID of the document's catalogue items as the file recorded them (for
// each item the document has, in catalogue order, its name and every value) and of its
// 1-based position in the book, so that identical documents differ. Independent of the
// user's regional settings.
std::string nameBasedUid(const notes::ContactDocument& doc, std::int64_t position);

// uuidFromUnid of the document's universal ID where it has one, else nameBasedUid.
std::string contactUid(const notes::ContactDocument& doc, std::int64_t position);

// The identity of a Group document: uuidFromUnid of its universal ID where it has one,
// else a version 5 UUID of every item it has (its name and values, in the document's
// order) and its 1-based position among the book's groups, made apart from any
// contact's.
std::string groupUid(const notes::ContactDocument& doc, std::int64_t position);

// Texts seen so far, kept as 64-bit hashes in an open-addressing table: a look-up per
// text that stays cheap, and 16 bytes a text, for a book of any size. Two texts of one
// hash count as one, which at these sizes happens about never and then costs a text
// only its first choice.
class SeenTexts {
public:
    // Records text; false where it, or a text of the same hash, was recorded before.
    bool add(std::string_view text);

private:
    bool insert(std::uint64_t hash);
    void grow();

    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

// The UIDs given out in one file.
class DistinctUids {
public:
    // uid (the contactUid of doc at position) where no contact of the file had it,
    // else a version 5 UUID of the document's universal ID and position.
    std::string distinct(std::string uid, const notes::ContactDocument& doc, std::int64_t position);
    // The same for a uid of the universal ID unid; position tells apart the
    // documents that repeat it.
    std::string distinct(std::string uid, std::string_view unid, std::int64_t position);

private:
    SeenTexts given_;
};

} // namespace brenmoor::contact
