// Access keys picked from the captions as they are shown.
#include "app/mnemonics.h"

#include <QAction>
#include <QMenu>
#include <QSet>

namespace brenmoor::app {

namespace {

// The caption's key where it has one ("&&" is a plain ampersand).
QChar keyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toCaseFolded();
        ++i;
    }
    return {};
}

QString textOf(const QObject* object) {
    if (const auto* menu = qobject_cast<const QMenu*>(object)) return menu->title();
    return object->property("text").toString();
}

void setTextOf(QObject* object, const QString& text) {
    if (auto* menu = qobject_cast<QMenu*>(object)) return menu->setTitle(text);
    object->setProperty("text", text);
}

} // namespace

QStringList withMnemonics(const QStringList& captions) {
    QSet<QChar> taken;
    for (const QString& caption : captions)
        if (const QChar key = keyOf(caption); !key.isNull()) taken.insert(key);
    QStringList result;
    for (const QString& caption : captions) {
        if (!keyOf(caption).isNull() || caption.isEmpty()) {
            result.append(caption);
            continue;
        }
        // A word's first letter, the last word first (in "Save As CSV" the word that tells
        // it from the others); then any letter; then a digit.
        qsizetype at = -1;
        const auto free = [&](qsizetype i) { return !taken.contains(caption[i].toCaseFolded()); };
        for (qsizetype i = caption.size() - 1; i >= 0 && at < 0; --i)
            if (caption[i].isLetter() && (i == 0 || !caption[i - 1].isLetterOrNumber()) && free(i)) at = i;
        for (qsizetype i = 0; i < caption.size() && at < 0; ++i)
            if (caption[i].isLetter() && free(i)) at = i;
        for (qsizetype i = 0; i < caption.size() && at < 0; ++i)
            if (caption[i].isDigit() && free(i)) at = i;
        if (at < 0) {
            result.append(caption);
            continue;
        }
        taken.insert(caption[at].toCaseFolded());
        result.append(QString(caption).insert(at, QLatin1Char('&')));
    }
    return result;
}

void giveMnemonics(const QList<QObject*>& captioned) {
    QStringList captions;
    for (const QObject* object : captioned) captions.append(textOf(object));
    const QStringList marked = withMnemonics(captions);
    for (qsizetype i = 0; i < captioned.size(); ++i)
        if (marked[i] != captions[i]) setTextOf(captioned[i], marked[i]);
}

void giveMnemonics(const QList<QAction*>& items) {
    QList<QObject*> captioned;
    for (QAction* item : items)
        if (!item->isSeparator()) captioned.append(item);
    giveMnemonics(captioned);
}

} // namespace brenmoor::app
