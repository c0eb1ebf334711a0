// The filter benchmark: brenmoor-bench-filter BOOK scans BOOK in the main window as the
// Scan button does, then types into the filter field as a user would, one character at
// a time ("a", "an", "ann", ...), clears it, and selects every contact shown (Ctrl+A),
// offscreen. Each step is timed from the key until the window has handled and painted
// what it queued. Prints the median and the slowest step of each kind, in seconds of
// the wall clock and of the window thread's processor time.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/contact_tree_view.h"
#include "bench/window_bench.h"

namespace {

// The processor time of this thread: on a machine busy with other work, the wall clock
// tells more of the machine than of the window.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
};

void timed(Timing& timing, const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    step();
    QCoreApplication::processEvents();
    timing.cpu.push_back(threadSeconds() - cpuStart);
    timing.wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

void report(const char* what, Timing timing) {
    std::sort(timing.wall.begin(), timing.wall.end());
    std::sort(timing.cpu.begin(), timing.cpu.end());
    const std::size_t middle = timing.wall.size() / 2;
    std::printf("%s %zu median %.6f slowest %.6f cpu-median %.6f cpu-slowest %.6f\n", what, timing.wall.size(),
                timing.wall[middle], timing.wall.back(), timing.cpu[middle], timing.cpu.back());
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brenmoor-bench-filter BOOK\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    AnsweringPrompts prompts;
    brenmoor::app::Velmar window(prompts);
    window.show();
    if (!scanInWindow(window, prompts, argv[1])) {
        std::fprintf(stderr, "the scan failed: %s\n", qPrintable(prompts.lastMessage));
        return 1;
    }
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("Filter"));
    auto* tree = window.findChild<brenmoor::app::ContactTreeView*>(QStringLiteral("TreeView1"));
    const QModelIndex root = tree->model()->index(0, 0);
    const int contacts = tree->model()->rowCount(root);

    // Typed key by key, as the field sees it; then the whole text away at once. The
    // last word matches nothing, and "é" makes the filter fold Unicode.
    Timing typing;
    Timing clearing;
    for (const char* word : {"ann", "lee", "example", "é", "zzzz"}) {
        for (const QChar key : QString::fromUtf8(word)) {
            timed(typing, [&] { filter->insert(QString(key)); });
            if (qEnvironmentVariableIsSet("BENCH_STEPS"))
                std::printf("  \"%s\" %.6f\n", qPrintable(filter->text()), typing.wall.back());
        }
        timed(clearing, [&] { filter->clear(); });
    }
    report("typing", typing);
    report("clearing", clearing);

    Timing selecting;
    for (int i = 0; i < 5; ++i) {
        tree->setCurrentIndex(tree->model()->index(0, 0, root));
        timed(selecting, [&] { QTest::keyClick(tree->viewport(), Qt::Key_A, Qt::ControlModifier); });
    }
    report("select-all", selecting);
    std::printf("contacts %d\n", contacts);
    return 0;
}
