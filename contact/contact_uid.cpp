// Contact identities: universal IDs reformatted, and name-based UUIDs through Qt's
// version 5 (SHA-1) UUIDs.
#include "contact/contact_uid.h"

#include <QByteArray>
#include <QLatin1String>
#include <QUuid>

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

std::string nameBasedUid(const notes::ContactDocument& doc) {
    QByteArray data;
    for (const notes::ContactItemInfo& info : notes::kContactItems)
        if (const notes::ItemValue* value = doc.find(info.notesName)) appendItem(data, info.notesName, *value);
    static const QUuid kNamespace = QUuid::fromString(
        QLatin1String(kContactUidNamespace.data(), static_cast<qsizetype>(kContactUidNamespace.size())));
    return QUuid::createUuidV5(kNamespace, data).toString(QUuid::WithoutBraces).toStdString();
}

std::string contactUid(const notes::ContactDocument& doc) {
    std::string uid = uuidFromUnid(doc.noteInfo().unid);
    return uid.empty() ? nameBasedUid(doc) : uid;
}

} // namespace brenmoor::contact
