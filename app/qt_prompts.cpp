// The real modal prompts: Qt message boxes without icons, the open-file dialog, the
// folder picker and the desktop's URL handler.
#include "app/prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

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

    bool notify(QWidget* parent, const Notice& notice) override {
        const QMessageBox::Icon icon = notice.icon == MessageIcon::Warning       ? QMessageBox::Warning
                                       : notice.icon == MessageIcon::Information ? QMessageBox::Information
                                                                                 : QMessageBox::NoIcon;
        QMessageBox box(icon, notice.title, forDisplay(notice.text), QMessageBox::Ok, parent);
        if (!notice.informative.isEmpty()) box.setInformativeText(forDisplay(notice.informative));
        if (!notice.details.isEmpty()) box.setDetailedText(forDisplay(notice.details));
        QPushButton* action = nullptr;
        if (!notice.actionButton.isEmpty()) action = box.addButton(notice.actionButton, QMessageBox::ActionRole);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return action && box.clickedButton() == action;
    }

    bool askYesNo(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, title, forDisplay(text), QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }

    int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& answers) override {
        QMessageBox box(QMessageBox::Question, title, forDisplay(text), QMessageBox::NoButton, parent);
        QList<QAbstractButton*> buttons;
        for (qsizetype i = 0; i < answers.size(); ++i)
            buttons.append(box.addButton(answers[i], i + 1 == answers.size() ? QMessageBox::RejectRole
                                                                              : QMessageBox::AcceptRole));
        if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
        if (!buttons.isEmpty()) box.setEscapeButton(buttons.last());
        box.exec();
        const qsizetype chosen = buttons.indexOf(box.clickedButton());
        return chosen < 0 ? int(answers.size()) - 1 : int(chosen);
    }

    QString openFile(QWidget* parent, const QString& startDir, const QStringList& filters) override {
        QFileDialog dialog(parent, QString(), startDir);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        setFileFilters(dialog, filters);
        if (dialog.exec() != QDialog::Accepted) return {};
        return dialog.selectedFiles().value(0);
    }

    QString chooseFolder(QWidget* parent, const QString& prompt, const QString& startDir) override {
        return QFileDialog::getExistingDirectory(parent, prompt, startDir);
    }

    void openUrl(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

} // namespace

// On Linux "*.*" matches only names with a dot. The dialog is told to show each filter
// without its last parenthesised pattern list, and every caption gets a list of the
// patterns that apply, with "*.*" as "*"; so the caption reads as given.
void setFileFilters(QFileDialog& dialog, const QStringList& filters) {
    static const QRegularExpression patternList(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    QStringList shown;
    for (const QString& filter : filters) {
        const QRegularExpressionMatch match = patternList.match(filter);
        QStringList patterns = match.hasMatch() ? match.captured(1).split(u' ', Qt::SkipEmptyParts) : QStringList{};
        for (QString& pattern : patterns)
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        shown << filter + QStringLiteral(" (") + (patterns.isEmpty() ? QStringLiteral("*") : patterns.join(u' ')) +
                     QStringLiteral(")");
    }
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(shown);
}

Prompts& qtPrompts() {
    static QtPrompts prompts;
    return prompts;
}

} // namespace brenmoor::app
