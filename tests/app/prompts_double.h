// A stand-in for the window's modal prompts: it records every message and question and
// answers from queues the test fills, so the window's commands run without a screen.
#pragma once

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "app/prompts.h"

namespace brenmoor::app::testing {

struct ShownMessage {
    QString title;
    QString text;
};

struct OpenFileRequest {
    QString startDir;
    QStringList filters;
};

class PromptsDouble : public Prompts {
public:
    void message(QWidget*, const QString& title, const QString& text) override {
        messages.append({title, text});
        if (onMessage) onMessage(text);
    }
    bool notify(QWidget*, const Notice& notice) override {
        notices.append(notice);
        messages.append({notice.title, notice.text});
        if (onMessage) onMessage(notice.text);
        return !actionAnswers.isEmpty() && actionAnswers.dequeue();
    }
    bool askYesNo(QWidget*, const QString& title, const QString& text) override {
        questions.append({title, text});
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.dequeue();
    }
    int choose(QWidget*, const QString& title, const QString& text, const QStringList& answers) override {
        questions.append({title, text});
        return chooseAnswers.isEmpty() ? int(answers.size()) - 1 : chooseAnswers.dequeue();
    }
    QString openFile(QWidget*, const QString& startDir, const QStringList& filters) override {
        openFileRequests.append({startDir, filters});
        return openFileAnswers.isEmpty() ? QString() : openFileAnswers.dequeue();
    }
    QString chooseFolder(QWidget*, const QString& prompt, const QString& startDir) override {
        folderPrompts.append(prompt);
        folderStarts.append(startDir);
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }
    void openUrl(const QUrl& url) override { openedUrls.append(url); }

    QStringList messageTexts() const {
        QStringList texts;
        for (const ShownMessage& m : messages) texts.append(m.text);
        return texts;
    }

    QList<ShownMessage> messages; // plain messages and the main texts of notices
    QList<Notice> notices;
    QList<ShownMessage> questions;
    QList<OpenFileRequest> openFileRequests;
    QStringList folderPrompts;
    QStringList folderStarts;
    QList<QUrl> openedUrls;

    QQueue<bool> yesNoAnswers;
    QQueue<int> chooseAnswers; // the last answer (cancel) when empty
    QQueue<bool> actionAnswers; // for notices with an action button; false when empty
    QQueue<QString> openFileAnswers;
    QQueue<QString> folderAnswers;
    std::function<void(const QString&)> onMessage;
};

} // namespace brenmoor::app::testing
