// Contact identities: universal IDs reformatted, and name-based UUIDs through Qt's
// version 5 (SHA-1) UUIDs.
#include "contact/contact_uid.h"

#include <QByteArray>
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


// The recorded values of one item: a NUL between values, the item's kind first so that a
// number and a text of the same digits differ.
void appendItem(QByteArray& data, std::string_view name, const notes::ItemValue& value) {
    data.append(name.data(), static_cast<qsizetype>(name.size()));
    data.append('\0');
    data.append(static_cast<char>('0' + static_cast<int>(value.kind)));
    data.append('\0');
    data.append(value.text.data(), static_cast<qsizetype>(value.text.size()));
    for (const std::string& more : value.more) {
        data.append('\0');
        data.append(more.data(), static_cast<qsizetype>(more.size()));
    }
    data.append('\n');
}

std::string versionFiveUuid(const QByteArray& data) {
    static const QUuid kNamespace = QUuid::fromString(
        QLatin1String(kContactUidNamespace.data(), static_cast<qsizetype>(kContactUidNamespace.size())));
    return QUuid::createUuidV5(kNamespace, data).toString(QUuid::WithoutBraces).toStdString();
}

// The position, after a line of its own that no item's line can be (item lines end in a
// line feed, and a name is never empty).
void appendPosition(QByteArray& data, std::int64_t position) {
    data.append('\n');
    data.append(QByteArray::number(static_cast<qlonglong>(position)));
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
    QByteArray data;
    for (const notes::ContactItemInfo& info : notes::kContactItems)
        if (const notes::ItemValue* value = doc.find(info.notesName)) appendItem(data, info.notesName, *value);
    appendPosition(data, position);
    return versionFiveUuid(data);
}

std::string contactUid(const notes::ContactDocument& doc, std::int64_t position) {
    std::string uid = uuidFromUnid(doc.noteInfo().unid);
    return uid.empty() ? nameBasedUid(doc, position) : uid;
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
    // A derived UID that was given too (as good as never) is derived once more.
    for (int round = 0; !given_.add(uid); ++round) {
        QByteArray data("repeated\n");
        const std::string& unid = doc.noteInfo().unid;
        data.append(unid.data(), static_cast<qsizetype>(unid.size()));
        appendPosition(data, position);
        if (round > 0) appendPosition(data, round);
        uid = versionFiveUuid(data);
    }
    return uid;
}

} // namespace brenmoor::contact
