// The window's side of an export: what the progress bar shows for empty and very large
// books, and that the window is locked once, when the walk starts.
#include <QApplication>
#include <QProgressBar>
#include <QTest>

#include "app/window_export_ui.h"
#include "tests/app/prompts_double.h"

using brenmoor::app::WindowExportUi;
using brenmoor::app::testing::PromptsDouble;

class WindowExportUiTest : public QObject {
    Q_OBJECT
private slots:
    void emptyBookGivesAStillEmptyBar() {
        PromptsDouble prompts;
        QProgressBar bar;
        WindowExportUi ui(prompts, nullptr, bar);
        ui.setProgressRange(0, 0);
        // A 0..0 range would make the bar run its busy animation.
        QVERIFY(bar.maximum() > bar.minimum());
        QCOMPARE(bar.value(), bar.minimum());
    }

    void countsBeyondTheBarsRangeAreScaled() {
        PromptsDouble prompts;
        QProgressBar bar;
        WindowExportUi ui(prompts, nullptr, bar);
        const std::int64_t huge = std::int64_t{5} << 32;
        ui.setProgressRange(0, huge);
        QVERIFY(bar.maximum() > 0);
        ui.setProgressValue(huge / 2);
        QVERIFY(qAbs(bar.value() - bar.maximum() / 2) <= 1);
        ui.setProgressValue(huge);
        QCOMPARE(bar.value(), bar.maximum());
    }

    void walkStartRunsOnceAndPromptsGoThroughTheWindow() {
        PromptsDouble prompts;
        QProgressBar bar;
        int starts = 0;
        WindowExportUi ui(prompts, nullptr, bar, [&] { ++starts; });
        prompts.folderAnswers.enqueue(QStringLiteral("/tmp/out"));
        QCOMPARE(ui.browseForFolder("Please select a Server folder."), std::string("/tmp/out"));
        QCOMPARE(starts, 0);
        ui.setProgressRange(0, 3);
        ui.setProgressRange(0, 3);
        QCOMPARE(starts, 1);
        for (int value = 1; value <= 3; ++value) {
            ui.setProgressValue(value);
            QCOMPARE(bar.value(), value);
        }
        ui.showMessage("Conversion Process Completed");
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].title, QStringLiteral("Brenmoor"));
        QCOMPARE(prompts.folderPrompts, QStringList{"Please select a Server folder."});
    }
};

QTEST_MAIN(WindowExportUiTest)
#include "window_export_ui_test.moc"
