// The save format dialog: the user picks which contacts to save (all, the selected, those
// the filter shows) and one of the output forms, every one of the table of output formats
// (its five first, then the files for other programs), and Convert runs that form's
// export command of the main window. The dialog exports nothing itself.
//
// Lifetime, as the main window relies on it:
// - Create it on the first Save and show it modally (exec()). It starts with no form chosen.
// - Convert with a form chosen runs command(i) while the dialog is still up, then hides it
//   (exec() returns QDialog::Accepted). It stays alive and shows the same choice next time,
//   where it was when hidden, so keep the pointer and exec() the same dialog again.
// - Convert with no form chosen says "Please choose contact saving type" and stays open.
// - While that export runs, Cancel, Escape and the frame's close stop the export instead.
// - Cancel, Escape or the window frame's close unload it: it emits unloaded(), hides
//   (exec() returns QDialog::Rejected) and deletes itself with deleteLater(). Hold it in a
//   QPointer and create a new one, with no form chosen, at the next Save.
#pragma once

#include <QDialog>
#include <QPixmap>

#include <functional>
#include <optional>
#include <vector>

#include "app/save_scope.h"
#include "export/output_format.h"

class QButtonGroup;
class QLabel;

namespace brenmoor::app {

class Prompts;

// The dialog's forms in its order: the five of the first group, then the files for other
// programs, in the order of the table of output formats.
std::vector<const exporting::OutputFormat*> saveDialogFormats();

class Dialog : public QDialog {
    Q_OBJECT
public:
    // command(i) runs the export of form i, the dialog's i-th format (0 the first).
    Dialog(Prompts& prompts, std::function<void(int form)> command, QWidget* parent = nullptr);

    // The chosen form's index, or -1 while none is chosen.
    int chosenForm() const;

    // The contacts on screen and the choice to show; choices without contacts are greyed.
    void setScopes(const ScopeCounts& counts, SaveScope chosen);
    SaveScope chosenScope() const;

    // Convert: runs the chosen form's command, then hides the dialog.
    void OKButton_Click();
    // Cancel: unloads the dialog.
    void CancelButton_Click();
    // Escape ends up here too: it unloads the dialog like Cancel.
    void reject() override;
    // While an export it started runs, Cancel, Escape and the frame's close stop that
    // export (stop) instead of unloading the dialog, and the choices are locked.
    void setExportRunning(bool running, std::function<void()> stop = {});

    // Shown again, it opens where it was when it was hidden.
    void setVisible(bool visible) override;

signals:
    // The dialog is going away and its choice with it.
    void unloaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A click on a form's text chooses the form.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void unload();
    void showSummary();

    Prompts& prompts_;
    std::function<void(int form)> command_;
    QPixmap background_;
    QButtonGroup* options_;
    QButtonGroup* scopes_;
    QLabel* summary_;
    ScopeCounts counts_;
    QList<QWidget*> panels_;
    bool unloading_ = false;
    std::function<void()> stopExport_; // set while an export runs
    std::optional<QPoint> placement_; // the frame's position when last hidden
};

} // namespace brenmoor::app
