// The main window Velmar: the file selection band, the contact tree, the contact detail
// view, the progress bar and the menus. Its handlers are the program's commands: Browse,
// Scan, the node click, the exports, Save, Help, About and Exit.
#pragma once

#include <QMainWindow>
#include <QList>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/contact_tree_model.h"
#include "app/save_scope.h"
#include "contact/contact.h"
#include "export/output_format.h"

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSettings;
class QShortcut;
class QThread;
class QTimer;

namespace brenmoor::viewer {
class ContactDetailView;
}
namespace brenmoor::contact {
class GroupBook;
}

namespace brenmoor::app {

class Prompts;
class Dialog;
class frmAbout;
class ContactTreeView;
class WindowExportUi;

class Velmar : public QMainWindow {
    Q_OBJECT
public:
    explicit Velmar(Prompts& prompts, QWidget* parent = nullptr);
    ~Velmar() override;

    // The folder the open-file dialog starts in the first time it is shown.
    void setSamplesFolder(const QString& folder) { samplesFolder_ = folder; }
    // The help file opened by Help, Content.
    void setHelpFile(const QString& path) { helpFile_ = path; }

    bool isExporting() const { return exporting_; }
    // A scan runs on its thread; its list shows when it ends.
    bool isScanning() const { return scan_ != nullptr; }
    struct ScanJob;

    // Where the last book and the last output folder are kept between runs; nothing is
    // kept without. Files starts with that book where it still exists.
    void setSettings(QSettings* settings);
    // Takes the book as if browsed, and scans it.
    void openBook(const QString& path);

public slots:
    void Command2_Click();
    void Open_Click();
    void Command3_Click();
    void scan_Click();
    void SaveC_Click();
    void savepst_Click();
    void savecsv_Click();
    void savevcard_Click();
    void savehtml_Click();
    void savetxt_Click();
    // The save dialog's five choices, in its order (the table of output formats gives it):
    // PST, CSV, vCard, HTML, TXT.
    void cal_1();
    void cal_2();
    void cal_3();
    void cal_4();
    void cal_5();
    void Command4_Click();
    void exit_Click();
    void content_Click();
    void about_Click();
    // A click on a node of the contact tree: highlights it and, for a contact, shows it.
    void TreeView1_NodeClick(const QModelIndex& node);
    // Cancel, Esc: stops the export in progress before its next contact.
    void stopExport();
    void saveAttachedFile(const contact::Attachment& file);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void Form_Load();
    bool Form_Unload();

    void enableSaveCommands();
    // Fills the detail boxes from the contact at node; the root leaves them as they are.
    void showNode(const QModelIndex& node);
    void runExport(const exporting::OutputFormat& format);
    // Runs the save format dialog's choice form (0 the first) through cal_1 to cal_5.
    void runDialogForm(int form);
    void setCommandsEnabledForRun(bool enabled);
    void showFailure(const QString& what, const std::exception& failure);
    void warn(const QString& text);
    void filesEdited(const QString& text);
    // The contacts on screen, selected and shown; what a save takes now.
    ScopeCounts scopeCounts() const;
    SaveScope saveScope() const;
    // After the selection or the filter changed: the counts shown, the save choices.
    void countsChanged();
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void filterEdited(const QString& text);
    // False, having said why, where the path box names another book than the list shows.
    bool bookOnScreenIsTheOneNamed();
    QString remembered(const char* key) const;
    void remember(const char* key, const QString& value);
    void listScanned(const QString& path, ScannedContacts contacts, const QString& remark = {},
                     std::vector<ListedList> lists = {});
    void showMembers(const std::optional<ListedList>& list);
    std::vector<ListedList> listedLists(const contact::GroupBook& groups) const;
    QString contactCountText(std::int64_t count) const;

    void scanFinished(const std::shared_ptr<ScanJob>& job);
    void showScanProgress();
    void stopScan();

    Prompts& prompts_;
    QString rememberedFile_;
    QString samplesFolder_;
    QString helpFile_;
    QSettings* settings_ = nullptr;
    QString scannedBook_; // the book the tree's contacts were read from
    bool browsedOnce_ = false;
    bool exporting_ = false;
    bool exitAfterRun_ = false;          // a close request during the export was answered Yes
    WindowExportUi* run_ = nullptr; // the export in progress
    QList<QPointer<QAction>> actionsBeforeRun_;

    QLineEdit* files_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    ContactTreeView* tree_ = nullptr;
    ContactTreeModel* contacts_ = nullptr;
    QPersistentModelIndex currentAtPress_; // the highlighted node when a mouse button went down
    viewer::ContactDetailView* detail_ = nullptr;
    QGroupBox* members_ = nullptr;      // a mailing list's members, shown in place of detail_
    QListWidget* membersList_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* scanStatus_ = nullptr;
    QLabel* selectionStatus_ = nullptr; // "N of M selected"
    QLabel* filterCount_ = nullptr;     // "N of M shown" while the filter is in force
    bool refiltering_ = false;          // the view's selection is being rebuilt after a filter
    std::optional<SaveScope> pickedScope_; // what the user chose in the menu or the dialog
    QActionGroup* scopeActions_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QShortcut* stopShortcut_ = nullptr;
    std::shared_ptr<ScanJob> scan_; // the scan in progress
    QThread* scanThread_ = nullptr;
    QTimer* scanTicker_ = nullptr;  // shows the scan's progress
    bool saveWasEnabled_ = false;

    QAction* openAction_ = nullptr;
    QAction* scanAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    std::vector<QAction*> saveActions_; // the Save As items, one per output format
    QAction* contentAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    QPointer<Dialog> dialog_;
    QPointer<frmAbout> about_;
};

} // namespace brenmoor::app
