// What the window benchmarks share: prompts that answer every message box and question
// at once (keeping the last message, so a program can report how its command ended),
// and the Scan command run on a book as the button runs it.
#pragma once

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "app/prompts.h"
#include "app/velmar.h"

class AnsweringPrompts : public brenmoor::app::Prompts {
public:
    void message(QWidget*, const QString&, const QString& text) override {
        lastMessage = text;
        ++messages;
    }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    QString openFile(QWidget*, const QString&, const QStringList&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    void openUrl(const QUrl&) override {}

    QString lastMessage;
    int messages = 0;
};

// Puts book into Files and presses Scan; true when the scan completed.
inline bool scanInWindow(brenmoor::app::Velmar& window, const AnsweringPrompts& prompts, const char* book) {
    window.findChild<QLineEdit*>(QStringLiteral("Files"))->setText(QString::fromLocal8Bit(book));
    QPushButton* scan = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    scan->setEnabled(true);
    scan->click();
    // The scan runs on its own thread; its list and message come when it ends.
    while (window.isScanning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents();
    return prompts.lastMessage == QStringLiteral("Scanning process completed");
}
