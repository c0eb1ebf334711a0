// The main window's side of an export: the folder picker and messages through the
// window's prompts, and progress on its progress bar. The window takes its events as
// the run advances, so it never goes blank and its Cancel button can stop the run; the
// window locks every other command meanwhile (walkStarts).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>

#include "export/export_ui.h"

class QProgressBar;
class QWidget;

namespace brenmoor::app {

class Prompts;

class WindowExportUi : public exporting::ExportUi {
    Q_DECLARE_TR_FUNCTIONS(WindowExportUi)
public:
    // walkStarts runs once, when the run sets the progress range before its walk.
    WindowExportUi(Prompts& prompts, QWidget* owner, QProgressBar& bar, std::function<void()> walkStarts = {});

    std::string browseForFolder(const std::string& prompt) override;
    void showMessage(const std::string& text) override;
    void setProgressRange(std::int64_t minimum, std::int64_t maximum) override;
    void setProgressValue(std::int64_t value) override;
    // The completion with the count, the folder and the files; its "Open Folder"
    // button opens the folder in the desktop's file manager.
    void showCompletion(const std::string& text, const exporting::RunSummary& summary) override;
    void showFailure(const std::string& text) override;
    bool stopRequested() override { return stopRequested_; }
    // Replace, keep both or cancel, asked of the user.
    exporting::ExistingFiles existingFiles(const std::string& path) override;

    // The folder the picker opens at; the folder chosen in it.
    void setStartFolder(const QString& folder) { startFolder_ = folder; }
    const QString& chosenFolder() const { return chosenFolder_; }

    // Asks the run to stop before its next contact (the Cancel button, Esc).
    void requestStop() { stopRequested_ = true; }

private:
    int onBar(std::int64_t value) const;
    static QString translated(const std::string& text);

    Prompts& prompts_;
    QWidget* owner_;
    QProgressBar& bar_;
    std::function<void()> walkStarts_;
    std::int64_t divisor_ = 1; // counts beyond the bar's int range are scaled down
    QElapsedTimer sinceRepaint_;
    bool stopRequested_ = false;
    QString startFolder_;
    QString chosenFolder_;
};

} // namespace brenmoor::app
