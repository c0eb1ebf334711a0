// Entry IDs, and the GUIDs behind store UIDs and search keys: random, or derived from
// names by libcrypto's SHA-1.
#include "pst/messaging/entry_id.h"

#include <algorithm>
#include <memory>
#include <openssl/evp.h>
#include <random>
#include <stdexcept>

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

namespace {

// Swaps a UUID between RFC 4122 order and a store's (the first three fields reversed):
// the same swap both ways.
void swapGuidOrder(std::uint8_t* guid) {
    std::reverse(guid, guid + 4);
    std::reverse(guid + 4, guid + 6);
    std::reverse(guid + 6, guid + 8);
}

// Brenmoor's namespace of store identities, fixed for good: a change would give every
// store written before another identity, and every item imported from it a duplicate.
// 8061a1bb-de88-4308-a410-a89e027f1855, in a store's order.
constexpr StoreUid kStoreNamespace = {0xbb, 0xa1, 0x61, 0x80, 0x88, 0xde, 0x08, 0x43,
                                      0xa4, 0x10, 0xa8, 0x9e, 0x02, 0x7f, 0x18, 0x55};

} // namespace

StoreUid nameBasedGuid(const StoreUid& space, std::string_view name) {
    // SHA-1 fetched once, and a context a thread that is set up again for each digest: a
    // fetch and a new context for every item would cost more than its digest.
    static EVP_MD* const sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                                      EVP_MD_CTX_free);
    std::uint8_t rfcSpace[sizeof(StoreUid)];
    std::copy(space.begin(), space.end(), rfcSpace);
    swapGuidOrder(rfcSpace);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!sha1 || !context || EVP_DigestInit_ex2(context.get(), sha1, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), rfcSpace, sizeof rfcSpace) != 1 ||
        EVP_DigestUpdate(context.get(), name.data(), name.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length < 16)
        throw std::runtime_error("SHA-1 is not available to derive a store's identities.");
    StoreUid guid{};
    std::copy(digest, digest + 16, guid.begin());
    guid[6] = static_cast<std::uint8_t>((guid[6] & 0x0F) | 0x50); // version 5
    guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80); // RFC 4122 variant
    swapGuidOrder(guid.data());
    return guid;
}

StoreUid storeUidFor(std::string_view identity) { return nameBasedGuid(kStoreNamespace, identity); }

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
