// contact_dump BOOK: the contact model of every contact of BOOK as one JSON array, for
// the tests that read the exports back with other programs and compare them field by
// field with the model. Independent of every writer.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <exception>

#include "contact/contact_from_document.h"
#include "contact/contact_uid.h"

using namespace brenmoor;

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

QString dateText(const CalendarDate& date) {
    return QString::asprintf("%04d-%02d-%02d", date.year, date.month, date.day);
}

QJsonValue dateOrText(const contact::DateOrText& value) {
    if (value.date) return QJsonObject{{"date", dateText(*value.date)}};
    if (!value.text.empty()) return QJsonObject{{"text", text(value.text)}};
    return QJsonValue::Null;
}

QJsonValue address(const std::optional<contact::Address>& address) {
    if (!address) return QJsonValue::Null;
    return QJsonObject{{"street", text(address->street)},         {"city", text(address->city)},
                       {"region", text(address->region)},         {"postalCode", text(address->postalCode)},
                       {"country", text(address->country)}};
}

QString phoneKind(contact::PhoneKind kind) {
    static const char* const kNames[] = {"WorkVoice", "WorkFax",      "WorkCell",  "WorkPager",
                                         "HomeVoice", "HomeFax",      "PersonalCell", "Assistant",
                                         "Car",       "OtherVoice",   "OtherFax"};
    return kNames[static_cast<int>(kind)];
}

QString relation(contact::Relation relation) {
    static const char* const kNames[] = {"Spouse", "Child", "Manager", "Assistant"};
    return kNames[static_cast<int>(relation)];
}

QString place(contact::Place place) {
    static const char* const kNames[] = {"Work", "Home", "Other"};
    return kNames[static_cast<int>(place)];
}

QJsonArray texts(const std::vector<std::string>& values) {
    QJsonArray array;
    for (const std::string& value : values) array.append(text(value));
    return array;
}

QJsonObject dump(const contact::Contact& c) {
    QJsonObject object;
    object["uid"] = text(c.uid);
    if (c.revision) {
        const contact::Timestamp& r = *c.revision;
        object["revision"] = QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d%s", r.year, r.month, r.day, r.hour,
                                               r.minute, r.second, r.utc ? "Z" : "");
    } else {
        object["revision"] = QJsonValue::Null;
    }
    object["name"] = QJsonObject{{"prefix", text(c.name.prefix)}, {"given", text(c.name.given)},
                                 {"middle", text(c.name.middle)}, {"family", text(c.name.family)},
                                 {"suffix", text(c.name.suffix)}};
    object["revisionText"] = text(c.revisionText);
    object["formattedName"] = text(c.formattedName);
    object["formattedNameMadeUp"] = c.formattedNameMadeUp;
    object["nickname"] = text(c.nickname);
    object["organization"] = text(c.organization);
    object["unit"] = text(c.unit);
    object["jobTitle"] = text(c.jobTitle);
    object["office"] = text(c.office);
    QJsonArray webPages;
    for (const contact::WebPage& page : c.webPages)
        webPages.append(QJsonObject{{"place", place(page.place)}, {"url", text(page.url)}});
    object["webPages"] = webPages;
    QJsonArray emails;
    for (const contact::Email& email : c.emails)
        emails.append(QJsonObject{{"place", place(email.place)}, {"address", text(email.address)},
                                  {"displayName", text(email.displayName)}});
    object["emails"] = emails;
    object["notesMailAddress"] = text(c.notesMailAddress);
    object["imAddresses"] = texts(c.imAddresses);
    QJsonArray phones;
    for (const contact::Phone& phone : c.phones)
        phones.append(QJsonObject{{"kind", phoneKind(phone.kind)}, {"number", text(phone.number)},
                                  {"preferred", phone.preferred}});
    object["phones"] = phones;
    object["workAddress"] = address(c.workAddress);
    object["homeAddress"] = address(c.homeAddress);
    object["birthday"] = dateOrText(c.birthday);
    object["anniversary"] = dateOrText(c.anniversary);
    QJsonArray related;
    for (const contact::Related& person : c.related)
        related.append(QJsonObject{{"relation", relation(person.relation)}, {"name", text(person.name)}});
    object["related"] = related;
    object["note"] = text(contact::noteText(c));
    object["categories"] = texts(c.categories);
    object["private"] = c.isPrivate;
    object["alternateName"] = text(c.alternateName);
    object["alternateNameLanguage"] = text(c.alternateNameLanguage);
    object["nameReading"] = text(c.nameReading);
    object["readingGiven"] = text(c.readingGiven);
    object["readingFamily"] = text(c.readingFamily);
    QJsonArray others;
    for (const contact::OtherField& field : c.otherFields)
        others.append(QJsonObject{{"label", text(field.label)}, {"value", text(field.value)}});
    object["otherFields"] = others;
    if (c.photo) {
        QByteArray bytes;
        c.photo->forEachDecodedPiece([&](std::string_view piece) { bytes.append(piece.data(), qsizetype(piece.size())); });
        object["photo"] = QJsonObject{{"name", text(c.photo->name())},
                                      {"type", text(std::string(contact::mediaType(c.photo->image)))},
                                      {"data", QString::fromLatin1(bytes.toBase64())}};
    } else {
        object["photo"] = QJsonValue::Null;
    }
    static const char* const kStates[] = {"readable", "compressed", "damaged", "notesbitmap"};
    QJsonArray attachments;
    for (const contact::Attachment& file : c.attachments)
        attachments.append(QJsonObject{{"name", text(file.name())}, {"size", qint64(file.size())},
                                       {"state", kStates[int(file.file.state)]}});
    object["attachments"] = attachments;
    QJsonArray idFiles;
    for (const std::string& name : c.idFiles) idFiles.append(text(name));
    object["idFiles"] = idFiles;
    return object;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: contact_dump BOOK\n");
        return 2;
    }
    try {
        notes::AddressBook book(argv[1]);
        QJsonArray contacts;
        std::int64_t position = 0;
        contact::DistinctUids uids;
        for (auto doc = book.firstDocument(); doc; doc = book.nextDocument()) {
            // Every UID of a file is distinct, as each export gives them.
            contact::Contact c = contact::contactFromDocument(*doc, ++position);
            c.uid = uids.distinct(std::move(c.uid), *doc, position);
            contacts.append(dump(c));
        }
        const QByteArray json = QJsonDocument(contacts).toJson(QJsonDocument::Indented);
        std::fwrite(json.data(), 1, static_cast<std::size_t>(json.size()), stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "contact_dump: %s\n", error.what());
        return 1;
    }
    return 0;
}
