// What an export needs from whoever started it: a folder picker, message boxes and a
// progress bar. The window answers with Qt dialogs, the command line with stderr,
// the tests with doubles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/existing_files.h"
#include "export/run_summary.h"

namespace brenmoor::exporting {

class ExportUi {
public:
    virtual ~ExportUi() = default;
    // The chosen folder, or the empty text when the user cancels.
    virtual std::string browseForFolder(const std::string& prompt) = 0;
    // A message box titled "Brenmoor" with an OK button only; returns when closed.
    virtual void showMessage(const std::string& text) = 0;
    virtual void setProgressRange(std::int64_t minimum, std::int64_t maximum) = 0;
    virtual void setProgressValue(std::int64_t value) = 0;

    // The completion message (text) of a run that reached the end, with what it did.
    virtual void showCompletion(const std::string& text, const RunSummary& summary) {
        (void)summary;
        showMessage(text);
    }
    // The message of a run that failed or was stopped.
    virtual void showFailure(const std::string& text) { showMessage(text); }
    // Asked before each contact; true stops the run there, as a failure would, but
    // keeping every file already complete.
    virtual bool stopRequested() { return false; }
    // Asked once per run, at the first file per contact (its path) that the folder holds
    // already; the answer holds for the rest of the run. KeepBoth writes the new file
    // under a free name ("Ann_1 (2).txt"); Cancel stops the run there. The command line
    // replaces them, as it always has.
    virtual ExistingFiles existingFiles(const std::string& path) {
        (void)path;
        return ExistingFiles::Replace;
    }
};

} // namespace brenmoor::exporting
