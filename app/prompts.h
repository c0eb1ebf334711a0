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

enum class MessageIcon { None, Information, Warning };

// A message box beyond the plain one: an icon, a text below the main one, details
// behind a button, and one button of its own beside OK ("Open Folder").
struct Notice {
    QString title;
    QString text;
    QString informative;
    QString details;
    MessageIcon icon = MessageIcon::None;
    QString actionButton; // none where empty
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Shows the notice; true when the user pressed its action button.
    virtual bool notify(QWidget* parent, const Notice& notice) {
        QString text = notice.text;
        if (!notice.informative.isEmpty()) text += QStringLiteral("\r\n\r\n") + notice.informative;
        message(parent, notice.title, text);
        return false;
    }
    // A message box with an OK button only and no icon.
    virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message box with Yes and No and no icon; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with answers of its own, the last one cancelling (as Esc and the close
    // box do); the index of the answer given.
    virtual int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& answers) {
        (void)parent;
        (void)title;
        (void)text;
        return int(answers.size()) - 1;
    }
    // The open-file dialog; the chosen file, or the empty text on cancel. Each filter is a
    // caption with its patterns in parentheses ("All files (*.*)"); "*.*" stands for
    // every file, names without a dot included.
    virtual QString openFile(QWidget* parent, const QString& startDir, const QStringList& filters) = 0;
    // The folder picker, opened at startDir where given; the chosen folder, or the
    // empty text on cancel.
    virtual QString chooseFolder(QWidget* parent, const QString& prompt, const QString& startDir) = 0;
    // Hands a file or web address to the desktop's default handler.
    virtual void openUrl(const QUrl& url) = 0;
};

// The real dialogs.
Prompts& qtPrompts();

// Gives an open-file dialog the filters of openFile(): each shown with its caption as it
// is, and "*.*" showing every file.
void setFileFilters(QFileDialog& dialog, const QStringList& filters);

} // namespace brenmoor::app
