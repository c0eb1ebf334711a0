// Access keys for captions made at run time, in any language: every caption gets an
// underlined letter (Alt with it presses the button or opens the menu) that no other
// caption of the same set has.
#pragma once

#include <QList>
#include <QStringList>

class QAction;
class QObject;

namespace brenmoor::app {

// The captions with an access key each: one that has its "&" keeps it; the others take a
// letter no other caption has: a word's first (the last word first), else any, else a digit.
// A caption without a free letter stays as it is.
QStringList withMnemonics(const QStringList& captions);

// The same for the captions of widgets and actions (their "text" property, a menu's
// title), as one set: a window's buttons and menu titles share the Alt keys.
void giveMnemonics(const QList<QObject*>& captioned);
// The items of one menu, a set of their own.
void giveMnemonics(const QList<QAction*>& items);

} // namespace brenmoor::app
