// Distribution list members: wrapped and one-off entry IDs, checksum and stream form.
#include "pst/messaging/distribution_list.h"

#include <algorithm>

#include "pst/util/crc.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::messaging {

namespace {

// The provider UID of a wrapped entry ID.
constexpr std::uint8_t kWrappedProvider[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                               0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
// The type byte: the kind of entry ID inside (low four bits), which of a contact's
// addresses it is (next three bits: 4 to 6 for e-mail 1 to 3, 3 for anything not a
// contact), and the high bit for an entry ID of a message.
constexpr std::uint8_t kWrappedContact = 0x03;
constexpr std::uint8_t kWrappedList = 0x04;
constexpr std::uint8_t kWrappedMessage = 0x80;
constexpr int kFirstEmailAddressIndex = 4;
constexpr int kNotAContact = 3;
// Outlook 2007's major version, which the stream form names as its build.
constexpr std::uint32_t kStreamBuildVersion = 12;

} // namespace

ltp::Bytes wrappedEntryId(const StoreUid& store, const ListMember& member) {
    const ltp::Bytes message = entryId(store, member.nid);
    constexpr std::size_t kHeader = 4 + sizeof kWrappedProvider + 1; // flags, provider, type
    ltp::Bytes id(kHeader + message.size(), 0);
    std::copy(std::begin(kWrappedProvider), std::end(kWrappedProvider), id.begin() + 4);
    const bool contact = member.kind == ListMember::Kind::Contact;
    const int index = contact ? kFirstEmailAddressIndex + member.emailSlot : kNotAContact;
    id[kHeader - 1] = static_cast<std::uint8_t>(kWrappedMessage | (index << 4) | (contact ? kWrappedContact : kWrappedList));
    std::copy(message.begin(), message.end(), id.begin() + kHeader);
    return id;
}

void forEachMemberIds(const StoreUid& store, const std::vector<ListMember>& members,
                      const std::function<void(const ltp::Bytes& entryId, const ltp::Bytes& oneOff)>& each) {
    for (const ListMember& member : members) {
        // A list's one-off carries Outlook's address type of a personal list and no address.
        const ltp::Bytes oneOff = member.kind == ListMember::Kind::List
                                      ? oneOffEntryId(member.displayName, "MAPIPDL", "")
                                      : oneOffEntryId(member.displayName, "SMTP", member.address);
        if (member.kind == ListMember::Kind::Address) each(oneOff, oneOff);
        else each(wrappedEntryId(store, member), oneOff);
    }
}

ListMemberIds listMemberIds(const StoreUid& store, const std::vector<ListMember>& members) {
    ListMemberIds ids;
    forEachMemberIds(store, members, [&](const ltp::Bytes& entryId, const ltp::Bytes& oneOff) {
        ids.entryIds.push_back(entryId);
        ids.oneOffs.push_back(oneOff);
    });
    return ids;
}

std::uint32_t listChecksum(const std::vector<ltp::Bytes>& entryIds) {
    std::uint32_t crc = 0;
    for (const ltp::Bytes& id : entryIds) crc = computeCrc(id.data(), id.size(), crc);
    return crc;
}

namespace {

using IdsEach = std::function<void(const ltp::Bytes&, const ltp::Bytes&)>;

// The stream form of the IDs forEach hands out, which it goes through twice: for the sizes
// in the header, then for the IDs; each piece handed to write.
void writeListStream(const std::function<void(const IdsEach&)>& forEach,
                     const std::function<void(const ltp::Bytes&)>& write) {
    std::size_t count = 0, entryBytes = 0, oneOffBytes = 0;
    forEach([&](const ltp::Bytes& entryId, const ltp::Bytes& oneOff) {
        ++count;
        entryBytes += entryId.size();
        oneOffBytes += oneOff.size();
    });
    ltp::Bytes piece;
    appendU16(piece, 1); // stream version
    appendU16(piece, 0); // reserved
    appendU32(piece, kStreamBuildVersion);
    appendU32(piece, 0); // flags
    appendU32(piece, static_cast<std::uint32_t>(count));
    appendU32(piece, static_cast<std::uint32_t>(entryBytes));
    appendU32(piece, static_cast<std::uint32_t>(oneOffBytes));
    appendU32(piece, 0); // no extra member information
    forEach([&](const ltp::Bytes& entryId, const ltp::Bytes& oneOff) {
        for (const ltp::Bytes* id : {&entryId, &oneOff}) {
            appendU32(piece, static_cast<std::uint32_t>(id->size()));
            piece.insert(piece.end(), id->begin(), id->end());
        }
        appendU32(piece, 0); // extra member information: none
        write(piece);
        piece.clear();
    });
    appendU32(piece, 0);
    appendU32(piece, 0);
    write(piece);
}

} // namespace

void writeListStream(const StoreUid& store, const std::vector<ListMember>& members,
                     const std::function<void(const ltp::Bytes& piece)>& write) {
    writeListStream([&](const IdsEach& each) { forEachMemberIds(store, members, each); }, write);
}

} // namespace brenmoor::pst::messaging
