// The click benchmark: brenmoor-bench-click BOOK [CLICKS] scans BOOK in the main window
// as the Scan button does, then runs the node click on CLICKS contacts (default 25)
// spread over the whole list, the last one first, offscreen. Each click is timed from
// the handler's call until the window has handled what it queued, and checked: the
// boxes must show the contact named in the tree. Prints the median and the slowest.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/contact_tree_view.h"
#include "bench/window_bench.h"
#include "notes/contact_items.h"
#include "viewer/item_places.h"

using brenmoor::notes::ContactItem;

namespace {

QString boxText(const QWidget& window, ContactItem item) {
    const auto* box = window.findChild<QLineEdit*>(QString::fromLatin1(brenmoor::viewer::place(item).box.data()));
    return box ? box->text() : QString();
}

// The tree's name for the contact the boxes show.
QString shownName(const QWidget& window) {
    return (boxText(window, ContactItem::FirstName) + ' ' + boxText(window, ContactItem::MiddleInitial) + ' ' +
            boxText(window, ContactItem::LastName))
        .trimmed();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: brenmoor-bench-click BOOK [CLICKS]\n");
        return 2;
    }
    const int clicks = argc == 3 ? std::max(2, std::atoi(argv[2])) : 25;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    AnsweringPrompts prompts;
    brenmoor::app::Velmar window(prompts);
    window.show();
    if (!scanInWindow(window, prompts, argv[1])) {
        std::fprintf(stderr, "the scan failed: %s\n", qPrintable(prompts.lastMessage));
        return 1;
    }

    auto* tree = window.findChild<brenmoor::app::ContactTreeView*>(QStringLiteral("TreeView1"));
    const QAbstractItemModel* model = tree->model();
    const QModelIndex root = model->index(0, 0);
    const int contacts = model->rowCount(root);
    if (contacts == 0) {
        std::fprintf(stderr, "the book has no contacts\n");
        return 1;
    }
    std::vector<int> rows;
    for (int i = clicks - 1; i >= 0; --i) rows.push_back(static_cast<int>(static_cast<long long>(contacts - 1) * i / (clicks - 1)));

    std::vector<double> seconds;
    const int messagesBefore = prompts.messages;
    for (int row : rows) {
        const QModelIndex node = model->index(row, 0, root);
        tree->scrollTo(node);
        QCoreApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        window.TreeView1_NodeClick(node);
        QCoreApplication::processEvents();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (shownName(window) != node.data().toString() || prompts.messages != messagesBefore) {
            std::fprintf(stderr, "the click on T_%d shows \"%s\", not \"%s\"%s%s\n", row + 1, qPrintable(shownName(window)),
                         qPrintable(node.data().toString()), prompts.messages != messagesBefore ? "; the window said: " : "",
                         qPrintable(prompts.lastMessage));
            return 1;
        }
    }
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    std::printf("clicks %zu contacts %d median %.6f slowest %.6f\n", sorted.size(), contacts, sorted[sorted.size() / 2],
                sorted.back());
    return 0;
}
