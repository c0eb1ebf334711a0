// Small DXL address books for the window's tests, written to a temporary folder: each
// contact is a list of item names and text values, written in the order given.
#pragma once

#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace brenmoor::app::testing {

using Contact = QList<QPair<QString, QString>>;

inline QString escapeXml(QString text) {
    return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('\'', "&apos;");
}

// unids: the documents' universal IDs, in the same order, where given.
inline bool writeDxlBook(const QString& path, const QList<Contact>& contacts, const QStringList& unids = {}) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray xml = "<?xml version='1.0' encoding='utf-8'?>\n"
                     "<database xmlns='http://www.lotus.com/dxl' version='8.5' title='Names'>\n";
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        const Contact& contact = contacts[i];
        xml += "<document form='Person'>";
        if (i < unids.size()) xml += "<noteinfo unid='" + unids[i].toUtf8() + "'/>";
        for (const auto& [name, value] : contact)
            xml += "<item name='" + escapeXml(name).toUtf8() + "'><text>" + escapeXml(value).toUtf8() + "</text></item>";
        xml += "</document>\n";
    }
    xml += "</database>\n";
    return file.write(xml) == xml.size();
}

} // namespace brenmoor::app::testing
