// The scan benchmark: brenmoor-bench-scan BOOK runs the main window's Scan command on
// BOOK exactly as the button does (tree filled, message answered at once), offscreen,
// and exits. The bench scripts time the whole program.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>

#include "app/prompts.h"
#include "app/velmar.h"

namespace {

// Answers every prompt at once; remembers the last message to report it.
class AnsweringPrompts : public brenmoor::app::Prompts {
public:
    void message(QWidget*, const QString&, const QString& text) override { lastMessage = text; }
    bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
    QString openFile(QWidget*, const QString&, const QStringList&) override { return {}; }
    QString chooseFolder(QWidget*, const QString&) override { return {}; }
    void openUrl(const QUrl&) override {}

    QString lastMessage;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brenmoor-bench-scan BOOK\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    AnsweringPrompts prompts;
    brenmoor::app::Velmar window(prompts);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("Files"))->setText(QString::fromLocal8Bit(argv[1]));
    QPushButton* scan = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    scan->setEnabled(true);
    scan->click();
    QCoreApplication::processEvents();

    const QTreeWidgetItem* root = window.findChild<QTreeWidget*>(QStringLiteral("TreeView1"))->topLevelItem(0);
    std::printf("%d contacts listed; %s\n", root ? root->childCount() : 0,
                prompts.lastMessage.toLocal8Bit().replace("\r\n", " ").constData());
    return prompts.lastMessage == QStringLiteral("Scanning process completed") ? 0 : 1;
}
