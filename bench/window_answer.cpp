// How quickly the window answers a button press while it scans:
//     brenmoor-bench-answer BOOK
// presses a button of the window (Browse, whose dialog answers at once) every 20 ms,
// first for two seconds with nothing else going on, then throughout a Scan of BOOK, and
// reports the slowest answer of each (from the press being posted to the button's
// clicked signal) and their ratio. Offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "bench/window_bench.h"

namespace {

// Presses button every 20 ms while keepGoing() holds; the slowest answer, in ms.
double slowestAnswer(QPushButton& button, const std::function<bool()>& keepGoing) {
    QElapsedTimer clock;
    clock.start();
    qint64 pressedAt = -1;
    double slowest = 0;
    int answers = 0;
    const QMetaObject::Connection answered = QObject::connect(&button, &QPushButton::clicked, [&] {
        if (pressedAt < 0) return;
        slowest = std::max(slowest, (clock.nsecsElapsed() - pressedAt) / 1e6);
        pressedAt = -1;
        ++answers;
    });
    QTimer presser;
    presser.setInterval(20);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (pressedAt >= 0) return; // the last press is not answered yet
        const QPointF centre = QRectF(button.rect()).center();
        pressedAt = clock.nsecsElapsed();
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonPress, centre, button.mapToGlobal(centre),
                                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonRelease, centre,
                                                             button.mapToGlobal(centre), Qt::LeftButton,
                                                             Qt::NoButton, Qt::NoModifier));
    });
    presser.start();
    while (keepGoing()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    presser.stop();
    QObject::disconnect(answered);
    std::fprintf(stderr, "%d presses answered\n", answers);
    return slowest;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brenmoor-bench-answer BOOK\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    AnsweringPrompts prompts;
    brenmoor::app::Velmar window(prompts);
    window.show();
    auto* browse = window.findChild<QPushButton*>(QStringLiteral("Command2"));
    QElapsedTimer idle;
    idle.start();
    const double quiet = slowestAnswer(*browse, [&] { return idle.elapsed() < 2000; });

    window.findChild<QLineEdit*>(QStringLiteral("Files"))->setText(QString::fromLocal8Bit(argv[1]));
    auto* scan = window.findChild<QPushButton*>(QStringLiteral("Command3"));
    scan->setEnabled(true);
    QElapsedTimer scanning;
    scanning.start();
    scan->click();
    const double busy = slowestAnswer(*browse, [&] { return window.isScanning(); });
    const qint64 took = scanning.elapsed();
    if (prompts.lastMessage != QStringLiteral("Scanning process completed")) {
        std::fprintf(stderr, "the scan did not complete: %s\n", qPrintable(prompts.lastMessage));
        return 1;
    }
    std::printf("scan %lld ms; slowest answer to a press: %.1f ms during the scan, %.1f ms idle (ratio %.1f)\n",
                static_cast<long long>(took), busy, quiet, quiet > 0 ? busy / quiet : 0.0);
    return 0;
}
