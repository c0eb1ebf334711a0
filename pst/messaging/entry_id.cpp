// Entry IDs and the random GUIDs behind store UIDs and search keys.
#include "pst/messaging/entry_id.h"

#include <algorithm>
#include <random>

#include "pst/messaging/store_clock.h"
#include "pst/util/little_endian.h"

namespace brenmoor::pst::messaging {

ltp::Bytes randomGuidBytes() {
    ltp::Bytes bytes(16);
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(guidGenerator()));
    bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40); // version 4 (Data3 high nibble)
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    return bytes;
}

StoreUid newStoreUid() {
    const ltp::Bytes bytes = randomGuidBytes();
    StoreUid uid{};
    for (std::size_t i = 0; i < uid.size(); ++i) uid[i] = bytes[i];
    return uid;
}

ltp::Bytes entryId(const StoreUid& store, ndb::Nid nid) {
    ltp::Bytes id(4 + store.size() + 4, 0); // flags, the store's UID, the NID
    std::copy(store.begin(), store.end(), id.begin() + 4);
    putU32(id.data() + 4 + store.size(), nid);
    return id;
}

ltp::Bytes oneOffEntryId(std::string_view displayName, std::string_view addressType, std::string_view address) {
    static constexpr std::uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                         0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
    constexpr std::size_t kHeader = 4 + sizeof kOneOffProvider + 4; // flags, provider, version and flags
    ltp::Bytes id(kHeader, 0);
    id.reserve(kHeader + 2 * (displayName.size() + addressType.size() + address.size() + 3));
    std::copy(std::begin(kOneOffProvider), std::end(kOneOffProvider), id.begin() + 4);
    // Version 0, then the flags: Unicode strings (0x8000), no rich information (0x0001).
    putU16(id.data() + kHeader - 2, 0x8001);
    for (std::string_view text : {displayName, addressType, address}) {
        ltp::appendUtf16(id, text);
        id.push_back(0);
        id.push_back(0);
    }
    return id;
}

} // namespace brenmoor::pst::messaging
