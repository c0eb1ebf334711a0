// An attached file's data, decoded as it is read.
#include "notes/attached_file.h"

#include "text/base64.h"

namespace brenmoor::notes {

std::uint64_t AttachedFile::size() const {
    return base64 ? text::base64DecodedSize(*base64) : declaredSize;
}

void AttachedFile::forEachDecodedPiece(const std::function<void(std::string_view)>& each) const {
    if (base64) text::decodeBase64(*base64, each);
}

std::string AttachedFile::head(std::size_t n) const {
    if (!base64) return {};
    const std::size_t digits = (n + 2) / 3 * 4;
    std::string bytes;
    text::decodeBase64(std::string_view(*base64).substr(0, digits), [&](std::string_view piece) { bytes += piece; });
    return bytes.substr(0, n);
}

bool operator==(const AttachedFile& a, const AttachedFile& b) {
    const bool sameData = a.base64 == b.base64 || (a.base64 && b.base64 && *a.base64 == *b.base64);
    return a.name == b.name && a.item == b.item && a.shownIn == b.shownIn && a.storedName == b.storedName && a.state == b.state && a.declaredSize == b.declaredSize && sameData;
}

} // namespace brenmoor::notes
