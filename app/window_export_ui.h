// The main window's side of an export: the folder picker and messages through the
// window's prompts, and progress on its progress bar, repainted as the run advances so
// a long export never leaves the window blank.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <functional>

#include "export/export_ui.h"

class QProgressBar;
class QWidget;

namespace brenmoor::app {

class Prompts;

class WindowExportUi : public exporting::ExportUi {
public:
    // walkStarts runs once, when the run sets the progress range before its walk.
    WindowExportUi(Prompts& prompts, QWidget* owner, QProgressBar& bar, std::function<void()> walkStarts = {});

    std::string browseForFolder(const std::string& prompt) override;
    void showMessage(const std::string& text) override;
    void setProgressRange(std::int64_t minimum, std::int64_t maximum) override;
    void setProgressValue(std::int64_t value) override;

private:
    int onBar(std::int64_t value) const;

    Prompts& prompts_;
    QWidget* owner_;
    QProgressBar& bar_;
    std::function<void()> walkStarts_;
    std::int64_t divisor_ = 1; // counts beyond the bar's int range are scaled down
    QElapsedTimer sinceRepaint_;
};

} // namespace brenmoor::app
