// The scan benchmark: brenmoor-bench-scan BOOK runs the main window's Scan command on
// BOOK exactly as the button does (tree filled, message answered at once), offscreen,
// and exits. The bench scripts time the whole program.
#include <QAbstractItemView>
#include <QApplication>
#include <cstdio>

#include "bench/window_bench.h"

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
    const bool completed = scanInWindow(window, prompts, argv[1]);

    const QAbstractItemModel* tree = window.findChild<QAbstractItemView*>(QStringLiteral("TreeView1"))->model();
    std::printf("%d contacts listed; %s\n", tree->rowCount(tree->index(0, 0)),
                prompts.lastMessage.toLocal8Bit().replace("\r\n", " ").constData());
    return completed ? 0 : 1;
}
