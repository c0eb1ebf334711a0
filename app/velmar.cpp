// The main window Velmar: its controls and menus, start-up, Browse, Scan, the node click,
// the exports, Save, Help, About and the exit confirmation.
#include "app/velmar.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QMouseEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <iterator>
#include <string_view>

#include "app/about_box.h"
#include "app/artwork.h"
#include "app/contact_tree_view.h"
#include "app/prompts.h"
#include "app/save_dialog.h"
#include "app/window_export_ui.h"
#include "export/export_run.h"
#include "export/output_formats.h"
#include "notes/address_book.h"
#include "viewer/contact_detail_view.h"

namespace brenmoor::app {

namespace {

const QString kTitle = QStringLiteral("Brenmoor");
const QString kScanCompleted = QStringLiteral("Scanning process completed");
const QString kExitQuestion = QStringLiteral("Are you sure you want to exit?");
const QString kContactGone = QStringLiteral(
    "This contact is no longer in the address book.\r\n\r\n"
    "The file has changed since the list was made. Scan the address book again to refresh the list.");

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QAction* makeAction(const QString& name, const QString& caption, QMenu* menu) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

Velmar::Velmar(Prompts& prompts, QWidget* parent) : QMainWindow(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("Velmar"));
    setWindowTitle(kTitle);
    setWindowIcon(programIcon());
    buildControls();
    buildMenus();
    // The client area below the menu bar is 904 x 609.
    resize(904, 609 + menuBar()->sizeHint().height());
    Form_Load();
}

Velmar::~Velmar() = default;

void Velmar::buildControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("VelmarClient"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* banner = new QLabel(central);
    banner->setObjectName(QStringLiteral("Banner"));
    banner->setPixmap(bannerPicture());
    banner->setFixedHeight(79);
    banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(banner);

    auto* frame1 = new QGroupBox(QStringLiteral("Select Lotus Notes Addressbook Names.nsf File"), central);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* band = new QHBoxLayout(frame1);
    band->setContentsMargins(8, 4, 8, 6);
    auto* label1 = new QLabel(QStringLiteral("Select Lotus Notes File"), frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    files_ = new QLineEdit(frame1);
    files_->setObjectName(QStringLiteral("Files"));
    browseButton_ = makeButton(QStringLiteral("Command2"), QStringLiteral("Browse"), frame1);
    scanButton_ = makeButton(QStringLiteral("Command3"), QStringLiteral("Scan Lotus Notes Contact"), frame1);
    saveButton_ = makeButton(QStringLiteral("SaveC"), QStringLiteral("Save"), frame1);
    exitButton_ = makeButton(QStringLiteral("Command4"), QStringLiteral("Exit"), frame1);
    band->addWidget(label1);
    band->addWidget(files_, 1);
    band->addWidget(browseButton_);
    band->addWidget(scanButton_);
    band->addWidget(saveButton_);
    band->addWidget(exitButton_);
    column->addWidget(frame1);
    QWidget* margins = new QWidget(central);
    auto* body = new QVBoxLayout(margins);
    body->setContentsMargins(6, 0, 6, 0);
    body->setSpacing(4);
    column->addWidget(margins, 1);

    auto* frame2 = new QGroupBox(QStringLiteral("Contact List"), margins);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* listRow = new QHBoxLayout(frame2);
    listRow->setContentsMargins(6, 4, 6, 6);
    tree_ = new ContactTreeView(frame2);
    tree_->setObjectName(QStringLiteral("TreeView1"));
    contacts_ = new ContactTreeModel(tree_);
    tree_->setModel(contacts_);
    tree_->viewport()->installEventFilter(this);
    detail_ = new viewer::ContactDetailView(frame2);
    listRow->addWidget(tree_, 1);
    listRow->addWidget(detail_, 3);
    body->addWidget(frame2, 1);

    progress_ = new QProgressBar(margins);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setTextVisible(false);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    body->addWidget(progress_);
    setCentralWidget(central);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    const std::array<QString, 3> panelTexts{QString::fromUtf8(kMakerName), QString::fromUtf8(kProductName),
                                            QString::fromUtf8(kMakerWebsite)};
    const std::array<int, 3> panelStretch{1, 2, 2};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(panelTexts[i], status);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        status->addPermanentWidget(panel, panelStretch[i]);
    }
    status->findChild<QLabel*>(QStringLiteral("Panel3"))->setToolTip(QStringLiteral("Visit Website"));
    setStatusBar(status);

    connect(browseButton_, &QPushButton::clicked, this, &Velmar::Command2_Click);
    connect(scanButton_, &QPushButton::clicked, this, &Velmar::Command3_Click);
    connect(saveButton_, &QPushButton::clicked, this, &Velmar::SaveC_Click);
    connect(exitButton_, &QPushButton::clicked, this, &Velmar::Command4_Click);
    // The boxes always show the highlighted contact, however it came to be highlighted:
    // a click, a drag from one contact to another, a right-click, the keys.
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& node) { showNode(node); });
    // A click on the contact already highlighted reads it again.
    connect(tree_, &QAbstractItemView::clicked, this, [this](const QModelIndex& node) {
        if (node == currentAtPress_) showNode(node);
    });
}

void Velmar::buildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File"));
    openAction_ = makeAction(QStringLiteral("Open"), QStringLiteral("&Open NSF Contact File"), file);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    scanAction_ = makeAction(QStringLiteral("scan"), QStringLiteral("Scan Lotus Notes Contacts"), file);
    scanAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    scanAction_->setEnabled(false);
    file->addSeparator();
    exitAction_ = makeAction(QStringLiteral("exit"), QStringLiteral("Exit"), file);

    QMenu* saveAs = bar->addMenu(QStringLiteral("&Save As"));
    saveAs->setObjectName(QStringLiteral("saveas"));
    // The formats the save format dialog offers, a line, then the formats for importers.
    bool aboveTheLine = true;
    for (const exporting::OutputFormat& format : exporting::outputFormats()) {
        if (aboveTheLine && !format.offeredByDialog()) {
            saveAs->addSeparator();
            aboveTheLine = false;
        }
        QAction* action = makeAction(fromUtf8(format.menuItem), fromUtf8(format.menuCaption), saveAs);
        connect(action, &QAction::triggered, this, [this, &format] { runExport(format); });
        saveActions_.push_back(action);
    }

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("help"));
    contentAction_ = makeAction(QStringLiteral("content"), QStringLiteral("Content"), help);
    aboutAction_ = makeAction(QStringLiteral("about"), QStringLiteral("About..."), help);

    connect(openAction_, &QAction::triggered, this, &Velmar::Open_Click);
    connect(scanAction_, &QAction::triggered, this, &Velmar::scan_Click);
    connect(exitAction_, &QAction::triggered, this, &Velmar::exit_Click);
    connect(contentAction_, &QAction::triggered, this, &Velmar::content_Click);
    connect(aboutAction_, &QAction::triggered, this, &Velmar::about_Click);
}

// Start-up: the save commands wait for a scan with contacts; the tree shows its root.
void Velmar::Form_Load() {
    for (QAction* action : saveActions_) action->setEnabled(false);
    scanButton_->setEnabled(false);
    saveButton_->setEnabled(false);
    tree_->setExpanded(contacts_->rootIndex(), true);
}

bool Velmar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress)
        currentAtPress_ = tree_->currentIndex();
    return QMainWindow::eventFilter(watched, event);
}

void Velmar::enableSaveCommands() {
    saveButton_->setEnabled(true);
    for (QAction* action : saveActions_) action->setEnabled(true);
}

void Velmar::showFailure(const QString& what, const std::exception& failure) {
    prompts_.message(this, kTitle, what + QStringLiteral("\r\n\r\n") + fromUtf8(failure.what()));
}

// Browse: the chosen file goes into Files; a cancel puts back the file chosen last.
void Velmar::Command2_Click() {
    const QStringList filters{
        QStringLiteral("Notes address book export (*.dxl *.xml)"),
        QStringLiteral("Select Lotus Notes(names.nsf) (*.nsf)"),
        QStringLiteral("All files (*.*)"),
    };
    QString startDir;
    if (!browsedOnce_)
        startDir = samplesFolder_;
    else if (!rememberedFile_.isEmpty())
        startDir = QFileInfo(rememberedFile_).absolutePath();
    browsedOnce_ = true;

    const QString chosen = prompts_.openFile(this, startDir, filters);
    if (!chosen.isEmpty()) rememberedFile_ = chosen;
    files_->setText(rememberedFile_);

    if (!files_->text().isEmpty()) {
        scanButton_->setEnabled(true);
        scanAction_->setEnabled(true);
    } else {
        scanAction_->setEnabled(false);
    }
}

void Velmar::Open_Click() { Command2_Click(); }

// Scan: lists every contact of the book under the root, keyed T_1, T_2, ... in view order.
void Velmar::Command3_Click() {
    scanAction_->setEnabled(true);
    const QString path = files_->text();
    if (path.isEmpty()) {
        prompts_.message(this, kTitle, QString::fromUtf8(exporting::kNoBookMessage));
        return;
    }

    // The tree starts again from its root alone, expanded.
    contacts_->setContacts({});
    tree_->setExpanded(contacts_->rootIndex(), true);

    ScannedContacts contacts;
    try {
        notes::AddressBook book(path.toStdString());
        const std::int64_t count = book.entryCount();
        if (count > 0) enableSaveCommands();
        contacts.reserve(static_cast<std::size_t>(count));
        try {
            notes::listContacts(book, [&](const std::string& name, const std::optional<notes::DocumentPlace>& place) {
                contacts.add(name, place);
            });
        } catch (const std::exception& failure) {
            // The contacts read so far are sound and keep their positions: list them.
            const std::size_t listed = contacts.size();
            contacts_->setContacts(std::move(contacts));
            showFailure(listed == 0
                            ? QStringLiteral("The address book could not be scanned.")
                            : listed == 1
                            ? QStringLiteral("Scanning stopped after the first contact; the list shows only it.")
                            : QStringLiteral("Scanning stopped after %1 contacts; the list shows only those.")
                                  .arg(listed),
                        failure);
            return;
        }
    } catch (const std::exception& failure) {
        showFailure(QStringLiteral("The address book could not be scanned."), failure);
        return;
    }
    contacts_->setContacts(std::move(contacts));
    prompts_.message(this, kTitle, kScanCompleted);
}

void Velmar::scan_Click() { Command3_Click(); }

void Velmar::TreeView1_NodeClick(const QModelIndex& node) {
    if (!node.isValid()) return;
    if (tree_->currentIndex() != node) tree_->setCurrentIndex(node); // shows it, through currentChanged
    else showNode(node);
}

// A contact shows the document at its position in the book named in Files. Where the
// scan read that very file, unchanged since, it goes straight to the place the scan
// found the contact at; otherwise it finds the position afresh.
void Velmar::showNode(const QModelIndex& node) {
    if (!contacts_->isContact(node)) return;
    try {
        notes::AddressBook book(files_->text().toStdString());
        const std::int64_t position = contacts_->runningNumber(node);
        const auto place = contacts_->place(node);
        const std::optional<notes::ContactDocument> contact =
            place ? book.documentAt(position, *place) : book.documentAt(position);
        if (!contact) {
            detail_->clear();
            prompts_.message(this, kTitle, kContactGone);
            return;
        }
        detail_->showContact(*contact);
    } catch (const std::exception& failure) {
        // The boxes would otherwise show another contact under this node.
        detail_->clear();
        showFailure(QStringLiteral("The contact could not be read."), failure);
    }
}

void Velmar::setCommandsEnabledForRun(bool enabled) {
    centralWidget()->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
}

// One export from start to end; the window takes no other command meanwhile.
void Velmar::runExport(const exporting::OutputFormat& format) {
    if (exporting_) return;
    exporting_ = true;
    bool disabled = false;
    WindowExportUi ui(prompts_, this, *progress_, [&] {
        setCommandsEnabledForRun(false);
        disabled = true;
    });
    try {
        exporting::ExportRun(ui).run(format, files_->text().toStdString());
    } catch (const std::exception& failure) {
        progress_->setValue(progress_->minimum());
        // The run reports its own failures; this is the last resort for one it could not.
        showFailure(QStringLiteral("The export stopped before it was complete. The file it was writing was "
                                   "not written; every other file in the folder is kept as it was."),
                    failure);
    }
    if (disabled) setCommandsEnabledForRun(true);
    exporting_ = false;
}

void Velmar::savepst_Click() { runExport(exporting::outputFormat("pst")); }
void Velmar::savecsv_Click() { runExport(exporting::outputFormat("csv")); }
void Velmar::savevcard_Click() { runExport(exporting::outputFormat("vcard")); }
void Velmar::savehtml_Click() { runExport(exporting::outputFormat("html")); }
void Velmar::savetxt_Click() { runExport(exporting::outputFormat("txt")); }

void Velmar::cal_1() { runExport(*exporting::dialogFormats().at(0)); }
void Velmar::cal_2() { runExport(*exporting::dialogFormats().at(1)); }
void Velmar::cal_3() { runExport(*exporting::dialogFormats().at(2)); }
void Velmar::cal_4() { runExport(*exporting::dialogFormats().at(3)); }
void Velmar::cal_5() { runExport(*exporting::dialogFormats().at(4)); }

void Velmar::runDialogForm(int form) {
    using Command = void (Velmar::*)();
    static constexpr Command kCommands[] = {&Velmar::cal_1, &Velmar::cal_2, &Velmar::cal_3, &Velmar::cal_4,
                                            &Velmar::cal_5};
    if (form >= 0 && form < int(std::size(kCommands))) (this->*kCommands[form])();
}

// Save: the save format dialog, created on first use and kept while it is only hidden.
void Velmar::SaveC_Click() {
    if (!dialog_) dialog_ = new Dialog(prompts_, [this](int form) { runDialogForm(form); }, this);
    dialog_->exec();
}

void Velmar::about_Click() {
    if (!about_) about_ = new frmAbout(prompts_, this);
    about_->exec();
    // Nothing of the about box survives between showings.
    delete about_.data();
}

// Help, Content: the manual in the desktop's viewer; a missing manual shows nothing.
void Velmar::content_Click() {
    if (helpFile_.isEmpty() || !QFileInfo::exists(helpFile_)) return;
    prompts_.openUrl(QUrl::fromLocalFile(helpFile_));
}

void Velmar::Command4_Click() { close(); }
void Velmar::exit_Click() { close(); }

// The exit confirmation; true when the window may close.
bool Velmar::Form_Unload() {
    if (!prompts_.askYesNo(this, kTitle, kExitQuestion)) return false;
    delete dialog_.data();
    delete about_.data();
    return true;
}

void Velmar::closeEvent(QCloseEvent* event) {
    // An export in progress finishes first; closing under it would lose its files.
    if (exporting_ || !Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace brenmoor::app
