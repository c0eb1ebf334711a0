// Contact identities: universal IDs reformatted, and name-based (version 5, SHA-1)
// UUIDs as RFC 4122 makes them, the name hashed as it is given.
#include "contact/contact_uid.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QLatin1String>
#include <QUuid>
#include <algorithm>
#include <functional>

#include "text/text_bytes.h"

namespace brenmoor::contact {

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A version 5 UUID: the SHA-1 of the namespace and the name. The name's bytes are
// collected in a small buffer and hashed block by block, so that a long value is never
// copied whole.
class VersionFiveUuid {
public:
    VersionFiveUuid() {
        static const QUuid kNamespace = QUuid::fromString(
            QLatin1String(kContactUidNamespace.data(), static_cast<qsizetype>(kContactUidNamespace.size())));
        sha1_.addData(kNamespace.toRfc4122());
    }

    VersionFiveUuid& operator<<(std::string_view bytes) {
        if (buffer_.size() + bytes.size() <= kBufferBytes) {
            buffer_.append(bytes);
            return *this;
        }
        hash(buffer_);
        buffer_.clear();
        hash(bytes);
        return *this;
    }

    std::string result() {
        hash(buffer_);
        buffer_.clear();
        QUuid uuid = QUuid::fromRfc4122(QByteArrayView(sha1_.result()).first(16));
        uuid.data3 = static_cast<ushort>((uuid.data3 & 0x0FFF) | (5 << 12));
        uuid.data4[0] = static_cast<uchar>((uuid.data4[0] & 0x3F) | 0x80);
        return uuid.toString(QUuid::WithoutBraces).toStdString();
    }

private:
    static constexpr std::size_t kBufferBytes = 4096;

    void hash(std::string_view bytes) {
        sha1_.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }

    QCryptographicHash sha1_{QCryptographicHash::Sha1};
    std::string buffer_;
};

// The recorded values of one item: a NUL between values, the item's kind first so that a
// number and a text of the same digits differ.
void addItem(VersionFiveUuid& uuid, std::string_view name, const notes::ItemValue& value) {
    const char kind[] = {'\0', static_cast<char>('0' + static_cast<int>(value.kind)), '\0'};
    uuid << name << std::string_view(kind, 3) << value.text;
    for (const std::string& more : value.more) uuid << std::string_view("\0", 1) << more;
    uuid << "\n";
}

// The position, after a line of its own that no item's line can be (item lines end in a
// line feed, and a name is never empty).
void addPosition(VersionFiveUuid& uuid, std::int64_t position) {
    uuid << "\n" << std::to_string(position);
}

} // namespace

std::string uuidFromUnid(std::string_view unid) {
    if (unid.size() != 32) return {};
    std::string uuid;
    uuid.reserve(36);
    for (std::size_t i = 0; i < unid.size(); ++i) {
        if (!isHexDigit(unid[i])) return {};
        if (i == 8 || i == 12 || i == 16 || i == 20) uuid += '-';
        uuid += text::lowerAscii(unid[i]);
    }
    return uuid;
}

std::string nameBasedUid(const notes::ContactDocument& doc, std::int64_t position) {
    VersionFiveUuid uuid;
    for (const notes::ContactItemInfo& info : notes::kContactItems)
        if (const notes::ItemValue* value = doc.find(info.notesName)) addItem(uuid, info.notesName, *value);
    addPosition(uuid, position);
    return uuid.result();
}

std::string contactUid(const notes::ContactDocument& doc, std::int64_t position) {
    std::string uid = uuidFromUnid(doc.noteInfo().unid);
    return uid.empty() ? nameBasedUid(doc, position) : uid;
}

std::string groupUid(const notes::ContactDocument& doc, std::int64_t position) {
    if (std::string uid = uuidFromUnid(doc.noteInfo().unid); !uid.empty()) return uid;
    VersionFiveUuid uuid;
    uuid << "group\n";
    for (const auto& [name, value] : doc.items()) addItem(uuid, name, value);
    addPosition(uuid, position);
    return uuid.result();
}

bool SeenTexts::add(std::string_view text) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    return insert(std::hash<std::string_view>{}(text) | 1); // 0 marks a free slot
}

bool SeenTexts::insert(std::uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        if (slots_[i] == hash) return false;
        if (slots_[i] == 0) {
            slots_[i] = hash;
            ++count_;
            return true;
        }
    }
}

void SeenTexts::grow() {
    std::vector<std::uint64_t> old(std::max<std::size_t>(slots_.size() * 2, 1024), 0);
    old.swap(slots_);
    count_ = 0;
    for (std::uint64_t hash : old)
        if (hash != 0) insert(hash);
}

std::string DistinctUids::distinct(std::string uid, const notes::ContactDocument& doc, std::int64_t position) {
    return distinct(std::move(uid), doc.noteInfo().unid, position);
}

std::string DistinctUids::distinct(std::string uid, std::string_view unid, std::int64_t position) {
    // A derived UID that was given too (as good as never) is derived once more.
    for (int round = 0; !given_.add(uid); ++round) {
        VersionFiveUuid derived;
        derived << "repeated\n" << unid;
        addPosition(derived, position);
        if (round > 0) addPosition(derived, round);
        uid = derived.result();
    }
    return uid;
}

} // namespace brenmoor::contact
