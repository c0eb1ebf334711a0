// The real modal prompts: Qt message boxes without icons, the open-file dialog, the
// folder picker and the desktop's URL handler.
#include "app/prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace brenmoor::app {

namespace {

// Messages keep the CR LF line breaks of the original texts; a label wants bare LF.
QString forDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

class QtPrompts : public Prompts {
public:
    void message(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, title, forDisplay(text), QMessageBox::Ok, parent);
        box.exec();
    }

    bool askYesNo(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, title, forDisplay(text), QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }

    QString openFile(QWidget* parent, const QString& startDir, const QStringList& filters) override {
        return QFileDialog::getOpenFileName(parent, QString(), startDir, filters.join(QStringLiteral(";;")));
    }

    QString chooseFolder(QWidget* parent, const QString& prompt) override {
        return QFileDialog::getExistingDirectory(parent, prompt);
    }

    void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

} // namespace

Prompts& qtPrompts() {
    static QtPrompts prompts;
    return prompts;
}

} // namespace brenmoor::app
