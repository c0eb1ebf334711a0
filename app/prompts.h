// Everything modal the windows ask of the user, behind one small interface: message
// boxes, the open-file dialog, the folder picker and the desktop's URL handler. The
// program answers with Qt; the tests answer with a double.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QFileDialog;
class QWidget;

namespace brenmoor::app {

class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with an OK button only and no icon.
    virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message box with Yes and No and no icon; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // The open-file dialog; the chosen file, or the empty text on cancel. Each filter is a
    // caption with its patterns in parentheses ("All files (*.*)"); "*.*" stands for
    // every file, names without a dot included.
    virtual QString openFile(QWidget* parent, const QString& startDir, const QStringList& filters) = 0;
    // The folder picker; the chosen folder, or the empty text on cancel.
    virtual QString chooseFolder(QWidget* parent, const QString& prompt) = 0;
    // Hands a file or web address to the desktop's default handler.
    virtual void openUrl(const QUrl& url) = 0;
};

// The real dialogs.
Prompts& qtPrompts();

// Gives an open-file dialog the filters of openFile(): each shown with its caption as it
// is, and "*.*" showing every file.
void setFileFilters(QFileDialog& dialog, const QStringList& filters);

} // namespace brenmoor::app
