// The books of tests/data read every way the program reads a book: the walk, the count,
// the position lookup and the walk that keeps only the names give the same contacts,
// pass over the same other documents, and give the values and the attached files (their
// bytes equal to the originals in BOOK_files/, and the item whose attachment reference
// shows each) the book's .json expects; the count finds
// the Group documents it expects.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "notes/address_book.h"

#include <QCryptographicHash>

namespace brenmoor::notes {
namespace {

const char* const kBooks[] = {"real_book", "groups_book", "media_book", "long_tail_book"};

QJsonObject expected(const std::string& book) {
    QFile file(QString::fromStdString(std::string(BRENMOOR_TEST_DATA) + "/" + book + ".json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << book;
    return QJsonDocument::fromJson(file.readAll()).object();
}

std::string utf8(const QJsonValue& value) { return value.toString().toStdString(); }

TEST(DataBooks, EveryWayOfReadingGivesTheContactsAndDocumentsExpected) {
    for (const std::string book : kBooks) {
        SCOPED_TRACE(book);
        const std::string path = std::string(BRENMOOR_TEST_DATA) + "/" + book + ".dxl";
        const QJsonObject want = expected(book);
        std::vector<std::string> names;
        for (const QJsonValue& name : want["contacts"].toArray()) names.push_back(utf8(name));

        AddressBook walked(path);
        std::vector<ContactDocument> documents;
        for (auto doc = walked.firstDocument(); doc; doc = walked.nextDocument()) documents.push_back(*doc);
        std::vector<std::string> walkedNames;
        for (const ContactDocument& doc : documents) walkedNames.push_back(displayName(doc));
        EXPECT_EQ(walkedNames, names);

        OtherDocuments others;
        others.conflicts = want["conflicts"].toInt();
        for (const QJsonValue& form : want["otherForms"].toArray())
            others.addForm(utf8(form.toArray()[0]), form.toArray()[1].toInt());
        EXPECT_EQ(walked.otherDocuments().conflicts, others.conflicts);
        EXPECT_EQ(walked.otherDocuments().forms, others.forms);

        EXPECT_EQ(AddressBook(path).entryCount(), std::int64_t(names.size()));
        std::vector<std::string> groupNames, wantedGroups;
        AddressBook counted(path);
        for (const ContactDocument& group : counted.groupDocuments()) groupNames.push_back(group.itemText("ListName"));
        for (const QJsonValue& name : want["groupDocuments"].toArray()) wantedGroups.push_back(utf8(name));
        EXPECT_EQ(groupNames, wantedGroups);
        std::vector<std::string> listed;
        AddressBook namesOnly(path);
        listContacts(namesOnly, [&](const std::string& name, const auto&) { listed.push_back(name); });
        EXPECT_EQ(listed, names);
        EXPECT_EQ(namesOnly.otherDocuments().forms, others.forms);
        for (std::size_t n = 1; n <= documents.size(); ++n) {
            auto doc = AddressBook(path).documentAt(std::int64_t(n));
            ASSERT_TRUE(doc) << n;
            EXPECT_EQ(displayName(*doc), names[n - 1]);
            EXPECT_EQ(doc->items().size(), documents[n - 1].items().size()) << n;
        }

        for (const QJsonValue& entry : want["values"].toArray()) {
            const QJsonObject value = entry.toObject();
            const ContactDocument& doc = documents.at(std::size_t(value["contact"].toInt() - 1));
            const std::string item = utf8(value["item"]);
            EXPECT_EQ(doc.itemText(item), utf8(value["text"])) << item;
            const ItemValue* found = doc.find(item);
            ASSERT_TRUE(found) << item;
            EXPECT_EQ(found->unreadable, value["unreadable"].toBool()) << item;
        }

        std::vector<std::string> files, wantFiles;
        for (std::size_t n = 1; n <= documents.size(); ++n)
            for (const AttachedFile& file : documents[n - 1].files()) {
                static const char* const kStates[] = {"readable", "compressed", "damaged", "notesbitmap"};
                QByteArray bytes;
                file.forEachDecodedPiece([&](std::string_view piece) { bytes.append(piece.data(), qsizetype(piece.size())); });
                EXPECT_EQ(std::uint64_t(bytes.size()), file.size()) << file.name;
                files.push_back(std::to_string(n) + " " + file.name + " " + file.item + " " +
                                kStates[int(file.state)] + " " + std::to_string(file.size()) + " " +
                                file.shownIn + " " + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString());
            }
        for (const QJsonValue& entry : want["files"].toArray()) {
            const QJsonObject file = entry.toObject();
            QByteArray bytes;
            if (file.contains("original")) {
                QFile original(QString::fromStdString(std::string(BRENMOOR_TEST_DATA) + "/" + book + "_files/") +
                               file["original"].toString());
                EXPECT_TRUE(original.open(QIODevice::ReadOnly)) << utf8(file["original"]);
                bytes = original.readAll();
            }
            wantFiles.push_back(std::to_string(file["contact"].toInt()) + " " + utf8(file["name"]) + " " +
                                utf8(file["item"]) + " " + utf8(file["state"]) + " " +
                                std::to_string(file["size"].toInteger()) + " " + utf8(file["shownIn"]) + " " +
                                QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString());
        }
        EXPECT_EQ(files, wantFiles);
    }
}

} // namespace
} // namespace brenmoor::notes
