// The main window Velmar: its controls and menus, start-up, Browse, Scan, the node click,
// the exports, Save, Help, About and the exit confirmation.
#include "app/velmar.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <QMimeData>
#include <QScrollBar>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QMouseEvent>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <atomic>
#include <climits>
#include <iterator>
#include <string_view>

#include "app/about_box.h"
#include "app/artwork.h"
#include "app/contact_tree_view.h"
#include "app/mnemonics.h"
#include "app/prompts.h"
#include "app/save_dialog.h"
#include "app/window_export_ui.h"
#include "contact/contact_from_document.h"
#include "contact/group.h"
#include "export/contact_file_name.h"
#include "export/export_run.h"
#include "export/output_file.h"
#include "export/output_formats.h"
#include "export/run_summary.h"
#include "notes/address_book.h"
#include "notes/contact_items.h"
#include "viewer/contact_detail_view.h"

namespace brenmoor::app {

namespace {

const QString kTitle = QStringLiteral("Brenmoor");
// What the window remembers between runs, under these settings keys.
constexpr const char* kLastBookKey = "lastBook";
constexpr const char* kLastFolderKey = "lastOutputFolder";
constexpr const char* kGeometryKey = "windowGeometry";
constexpr const char* kSplitterKey = "listSplitter";
// The messages, in English; the window shows them translated (tr()).
const char* const kScanCompleted = QT_TRANSLATE_NOOP("brenmoor::app::Velmar", "Scanning process completed");
const char* const kExitQuestion = QT_TRANSLATE_NOOP("brenmoor::app::Velmar", "Are you sure you want to exit?");
const char* const kContactGone = QT_TRANSLATE_NOOP(
    "brenmoor::app::Velmar",
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

// A fixed text of the export library (a message, a format's caption), in the user's
// language where translated.
QString exportText(std::string_view text) {
    return QCoreApplication::translate("brenmoor::exporting", std::string(text).c_str());
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The smallest the window's client area may be made: every command and a few rows of
// the list and the details stay usable.
constexpr QSize kMinimumClient(640, 440);

// The banner across the top: the picture drawn as wide as the window, and at its right
// end the photo of the contact shown, where it covers no control.
class Banner : public QWidget {
public:
    explicit Banner(QWidget* parent) : QWidget(parent) {
        setFixedHeight(kHeight);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        photo_ = new QLabel(this);
        photo_->setObjectName(QStringLiteral("Photo"));
        photo_->setAccessibleName(Velmar::tr("Photo"));
        photo_->setFixedSize(kPhotoSide, kPhotoSide);
        photo_->setAlignment(Qt::AlignCenter);
        photo_->hide();
    }

    void showPhoto(const QPixmap& photo) {
        if (photo.isNull()) {
            photo_->clear();
            photo_->hide();
            return;
        }
        photo_->setPixmap(photo.scaled(kPhotoSide, kPhotoSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        photo_->show();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.width() != width()) picture_ = bannerPicture(width());
        QPainter(this).drawPixmap(0, 0, picture_);
    }
    void resizeEvent(QResizeEvent*) override {
        const int margin = (kHeight - kPhotoSide) / 2;
        photo_->move(width() - kPhotoSide - margin, margin);
    }

private:
    static constexpr int kHeight = 79;
    static constexpr int kPhotoSide = 73;
    QPixmap picture_;
    QLabel* photo_ = nullptr;
};

// A contact without name items is listed by the name the contact model gives it; the
// list filters by company and e-mail addresses too.
void addListed(const notes::ContactDocument& doc, std::string name,
               const std::optional<notes::DocumentPlace>& place, ScannedContacts& contacts) {
    name = contact::listedName(doc, std::move(name), static_cast<std::int64_t>(contacts.size()) + 1);
    std::string also = doc.itemText(notes::ContactItem::CompanyName);
    for (const std::string& address : contact::emailAddresses(doc)) also += "\n" + address;
    contacts.add(name, place, also, doc.noteInfo().unid);
}

} // namespace

// A scan in progress: what the scan thread found and how far it has come. The thread
// writes the results; the window reads them once the thread has finished.
struct Velmar::ScanJob {
    QString path;
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> listed{0};
    std::atomic<std::int64_t> total{-1}; // the book's entry count, once it is known
    contact::GroupBook groups; // the book's mailing lists, their members resolved
    ScannedContacts contacts;
    notes::OtherDocuments others;
    bool opened = false;    // the book opened and its contacts were counted
    bool stopped = false;   // Cancel stopped the walk
    QString failure;        // why the scan failed, where it did
};

namespace {

// Thrown out of the walk when Cancel stopped the scan.
struct ScanStopped {};

// The scan itself, on its own thread: it knows no widgets, only the job.
void runScan(const std::shared_ptr<Velmar::ScanJob>& job) {
    try {
        notes::AddressBook book(job->path.toStdString());
        const std::int64_t count = book.entryCount();
        job->contacts.reserve(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
        job->total = count;
        job->opened = true;
        notes::listContacts(book, contact::listedItems(),
                            [&](const notes::ContactDocument& doc, const std::string& name,
                                const std::optional<notes::DocumentPlace>& place) {
                                if (job->stop) throw ScanStopped{};
                                addListed(doc, name, place, job->contacts);
                                ++job->listed;
                            });
        job->others = book.otherDocuments();
        // Members are resolved as the groups command and the exports resolve them, in a
        // walk of their own over whole documents (the list's walk keeps only some items),
        // made only where the book has lists.
        if (!contact::GroupBook(book.groupDocuments()).empty() && !job->stop) {
            notes::AddressBook whole(job->path.toStdString());
            job->groups = contact::readGroups(whole, [&] {
                if (job->stop) throw ScanStopped{};
            });
        }
    } catch (const ScanStopped&) {
        job->stopped = true;
    } catch (const std::exception& failure) {
        job->failure = QString::fromUtf8(failure.what());
        if (job->failure.isEmpty()) job->failure = QStringLiteral("?");
    }
}

} // namespace

Velmar::Velmar(Prompts& prompts, QWidget* parent) : QMainWindow(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("Velmar"));
    setWindowTitle(kTitle);
    setWindowIcon(programIcon());
    setAcceptDrops(true);
    buildControls();
    buildMenus();
    // The client area below the menu bar is 904 x 609, where the screen has room for it.
    setMinimumSize(kMinimumClient.width(), kMinimumClient.height() + menuBar()->sizeHint().height());
    QSize size(904, 609 + menuBar()->sizeHint().height());
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableSize() - QSize(16, 48); // the window manager's frame
        size = size.boundedTo(room).expandedTo(minimumSize());
    }
    resize(size);
    Form_Load();
}

Velmar::~Velmar() {
    if (scan_) {
        scan_->stop = true;
        if (scanThread_) scanThread_->wait();
    }
}

void Velmar::buildControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("VelmarClient"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* banner = new Banner(central);
    banner->setObjectName(QStringLiteral("Banner"));
    column->addWidget(banner);

    auto* frame1 = new QGroupBox(tr("Select Lotus Notes Addressbook Names.nsf File"), central);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* band = new QHBoxLayout(frame1);
    band->setContentsMargins(8, 4, 8, 6);
    auto* label1 = new QLabel(tr("Select Lotus Notes File"), frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    files_ = new QLineEdit(frame1);
    files_->setObjectName(QStringLiteral("Files"));
    // A file dropped on the path box opens as one dropped anywhere else on the window,
    // rather than being spliced into the text.
    files_->setAcceptDrops(false);
    browseButton_ = makeButton(QStringLiteral("Command2"), tr("Browse"), frame1);
    scanButton_ = makeButton(QStringLiteral("Command3"), tr("Scan Lotus Notes Contact"), frame1);
    saveButton_ = makeButton(QStringLiteral("SaveC"), tr("Save"), frame1);
    exitButton_ = makeButton(QStringLiteral("Command4"), tr("Exit"), frame1);
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

    auto* frame2 = new QGroupBox(tr("Contact List"), margins);
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* listRow = new QHBoxLayout(frame2);
    listRow->setContentsMargins(6, 4, 6, 6);
    // The user moves the line between the list and the details.
    auto* split = new QSplitter(Qt::Horizontal, frame2);
    split->setObjectName(QStringLiteral("ContactSplitter"));
    split->setChildrenCollapsible(false);
    split->setAccessibleName(tr("Contact list and details"));
    // Above the tree, a field that narrows it to the contacts whose name, company or
    // e-mail holds what is typed.
    auto* listColumn = new QWidget(split);
    auto* listLayout = new QVBoxLayout(listColumn);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(3);
    filter_ = new QLineEdit(listColumn);
    filter_->setObjectName(QStringLiteral("Filter"));
    filter_->setPlaceholderText(tr("Filter by name, company or e-mail"));
    filter_->setAccessibleName(tr("Filter"));
    filter_->setClearButtonEnabled(true);
    filter_->setAcceptDrops(false);
    filter_->setToolTip(tr("Filter by name, company or e-mail (Ctrl+F; Esc clears it)"));
    filterCount_ = new QLabel(listColumn);
    filterCount_->setObjectName(QStringLiteral("FilterCount"));
    filterCount_->setAccessibleDescription(tr("Contacts the filter shows"));
    filterCount_->hide();
    listLayout->addWidget(filter_);
    listLayout->addWidget(filterCount_);
    tree_ = new ContactTreeView(listColumn);
    tree_->setObjectName(QStringLiteral("TreeView1"));
    tree_->setAccessibleName(tr("Contact List"));
    listLayout->addWidget(tree_, 1);
    contacts_ = new ContactTreeModel(tree_);
    tree_->setModel(contacts_);
    tree_->viewport()->installEventFilter(this);
    detail_ = new viewer::ContactDetailView(split);
    connect(detail_, &viewer::ContactDetailView::photoChanged, banner, &Banner::showPhoto);
    connect(detail_, &viewer::ContactDetailView::saveFileRequested, this, &Velmar::saveAttachedFile);
    split->addWidget(listColumn);
    split->addWidget(detail_);
    // A mailing list's members, read-only, where the boxes stand while a list is shown.
    members_ = new QGroupBox(split);
    members_->setObjectName(QStringLiteral("ListMembers"));
    auto* membersLayout = new QVBoxLayout(members_);
    membersList_ = new QListWidget(members_);
    membersList_->setObjectName(QStringLiteral("MemberList"));
    membersList_->setSelectionMode(QAbstractItemView::NoSelection);
    membersLayout->addWidget(membersList_);
    split->addWidget(members_);
    members_->hide();
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    split->setSizes({220, 660});
    listRow->addWidget(split);
    body->addWidget(frame2, 1);

    progress_ = new QProgressBar(margins);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setTextVisible(false);
    progress_->setAccessibleName(tr("Progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    // Cancel, live only while an export runs, stops it at the next contact (so does Esc).
    cancelButton_ = makeButton(QStringLiteral("CancelExport"), tr("Cancel"), margins);
    cancelButton_->setEnabled(false);
    cancelButton_->setToolTip(tr("Stop the export at the next contact (Esc)"));
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(cancelButton_);
    body->addLayout(progressRow);
    scanTicker_ = new QTimer(this);
    scanTicker_->setInterval(50);
    connect(scanTicker_, &QTimer::timeout, this, &Velmar::showScanProgress);
    stopShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stopShortcut_->setEnabled(false);
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
    status->findChild<QLabel*>(QStringLiteral("Panel3"))->setToolTip(tr("Visit Website"));
    // Left of the three fixed panels: which book the tree shows and how many contacts.
    scanStatus_ = new QLabel(status);
    scanStatus_->setObjectName(QStringLiteral("ScanStatus"));
    status->insertWidget(0, scanStatus_, 3);
    selectionStatus_ = new QLabel(status);
    selectionStatus_->setObjectName(QStringLiteral("SelectionStatus"));
    selectionStatus_->setAccessibleDescription(tr("Selected contacts"));
    status->insertWidget(1, selectionStatus_, 2);
    setStatusBar(status);

    connect(browseButton_, &QPushButton::clicked, this, &Velmar::Command2_Click);
    connect(files_, &QLineEdit::textChanged, this, &Velmar::filesEdited);
    connect(filter_, &QLineEdit::textChanged, this, &Velmar::filterEdited);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Velmar::selectionChanged);
    connect(scanButton_, &QPushButton::clicked, this, &Velmar::Command3_Click);
    connect(saveButton_, &QPushButton::clicked, this, &Velmar::SaveC_Click);
    connect(exitButton_, &QPushButton::clicked, this, &Velmar::Command4_Click);
    connect(cancelButton_, &QPushButton::clicked, this, &Velmar::stopExport);
    connect(stopShortcut_, &QShortcut::activated, this, &Velmar::stopExport);
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
    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("File"));
    openAction_ = makeAction(QStringLiteral("Open"), tr("&Open NSF Contact File"), file);
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    scanAction_ = makeAction(QStringLiteral("scan"), tr("Scan Lotus Notes Contacts"), file);
    scanAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    scanAction_->setEnabled(false);
    file->addSeparator();
    exitAction_ = makeAction(QStringLiteral("exit"), tr("Exit"), file);

    QMenu* saveAs = bar->addMenu(tr("&Save As"));
    saveAs->setObjectName(QStringLiteral("saveas"));
    // First which contacts the formats below save, each choice with its count.
    scopeActions_ = new QActionGroup(this);
    saveAs->addSection(tr("Contacts to save"));
    const std::pair<SaveScope, const char*> scopes[] = {
        {SaveScope::All, "ScopeAll"}, {SaveScope::Selected, "ScopeSelected"}, {SaveScope::Shown, "ScopeShown"}};
    for (const auto& [scope, name] : scopes) {
        QAction* choice = makeAction(QString::fromLatin1(name), QString(), saveAs);
        choice->setCheckable(true);
        choice->setData(int(scope));
        scopeActions_->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, scope = scope] {
            pickedScope_ = scope;
            countsChanged();
        });
    }
    saveAs->addSection(tr("Save as"));
    // The formats the save format dialog offers, a line, then the formats for importers.
    bool aboveTheLine = true;
    for (const exporting::OutputFormat& format : exporting::outputFormats()) {
        if (aboveTheLine && !format.offeredByDialog()) {
            saveAs->addSeparator();
            aboveTheLine = false;
        }
        QAction* action = makeAction(fromUtf8(format.menuItem), exportText(format.menuCaption), saveAs);
        connect(action, &QAction::triggered, this, [this, &format] { runExport(format); });
        saveActions_.push_back(action);
    }

    QMenu* help = bar->addMenu(tr("Help"));
    help->setObjectName(QStringLiteral("help"));
    contentAction_ = makeAction(QStringLiteral("content"), tr("Content"), help);
    contentAction_->setShortcut(QKeySequence::HelpContents);
    aboutAction_ = makeAction(QStringLiteral("about"), tr("About..."), help);

    // Ctrl+F goes to the filter; Esc there clears it. Ctrl+Q quits.
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        filter_->setFocus(Qt::ShortcutFocusReason);
        filter_->selectAll();
    });
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &Velmar::exit_Click);
    exitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exitAction_->setShortcutContext(Qt::WidgetShortcut); // the shortcut above answers it
    filter_->installEventFilter(this);
    connect(files_, &QLineEdit::returnPressed, this, [this] {
        if (scanButton_->isEnabled() || QFileInfo(files_->text()).isFile()) openBook(files_->text());
    });

    // Every caption an access key: the menu titles and the buttons share Alt, each
    // menu's items have their own. The choices of contacts bring theirs, so they are
    // worded first and the forms below them take other letters.
    countsChanged();
    giveMnemonics({file->menuAction(), saveAs->menuAction(), help->menuAction(), browseButton_, scanButton_,
                   saveButton_, exitButton_, cancelButton_});
    for (QMenu* menu : {file, saveAs, help}) giveMnemonics(menu->actions());

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
    if (watched == filter_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !filter_->text().isEmpty()) {
        filter_->clear();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Velmar::enableSaveCommands() {
    saveButton_->setEnabled(true);
    for (QAction* action : saveActions_) action->setEnabled(true);
}

void Velmar::showFailure(const QString& what, const std::exception& failure) {
    warn(what + QStringLiteral("\r\n\r\n") + fromUtf8(failure.what()));
}

void Velmar::warn(const QString& text) {
    Notice notice;
    notice.title = kTitle;
    notice.text = text;
    notice.icon = MessageIcon::Warning;
    prompts_.notify(this, notice);
}

// Browse: the chosen file goes into Files; a cancel puts back the file chosen last.
void Velmar::Command2_Click() {
    const QStringList filters{
        tr("Notes address book export (*.dxl *.xml)"),
        tr("Select Lotus Notes(names.nsf) (*.nsf)"),
        tr("All files (*.*)"),
    };
    // The folder of the book chosen last, in this run or the one before; the samples
    // the very first time.
    const QString lastBook = !rememberedFile_.isEmpty() ? rememberedFile_ : remembered(kLastBookKey);
    QString startDir;
    if (!lastBook.isEmpty())
        startDir = QFileInfo(lastBook).absolutePath();
    else if (!browsedOnce_)
        startDir = samplesFolder_;
    browsedOnce_ = true;

    // A cancel leaves Files as it was, typed text included.
    const QString chosen = prompts_.openFile(this, startDir, filters);
    if (!chosen.isEmpty()) {
        rememberedFile_ = chosen;
        files_->setText(chosen);
    }

    if (!files_->text().isEmpty()) {
        scanButton_->setEnabled(true);
        scanAction_->setEnabled(true);
    } else {
        scanAction_->setEnabled(false);
    }
}

// A book named on the command line or dropped on the window: as if browsed, then scanned.
void Velmar::openBook(const QString& path) {
    if (exporting_) return;
    stopScan();
    rememberedFile_ = path;
    browsedOnce_ = true;
    files_->setText(path);
    scanButton_->setEnabled(true);
    scanAction_->setEnabled(true);
    Command3_Click();
}

// Scan is offered whenever Files names a file that exists, typed, pasted or browsed.
void Velmar::filesEdited(const QString& text) {
    if (!text.isEmpty() && QFileInfo(text).isFile()) {
        scanButton_->setEnabled(true);
        scanAction_->setEnabled(true);
    }
}

void Velmar::setSettings(QSettings* settings) {
    settings_ = settings;
    if (settings_) {
        restoreGeometry(settings_->value(QString::fromLatin1(kGeometryKey)).toByteArray());
        findChild<QSplitter*>(QStringLiteral("ContactSplitter"))
            ->restoreState(settings_->value(QString::fromLatin1(kSplitterKey)).toByteArray());
    }
    const QString lastBook = remembered(kLastBookKey);
    if (files_->text().isEmpty() && QFileInfo(lastBook).isFile()) files_->setText(lastBook);
}

QString Velmar::remembered(const char* key) const {
    return settings_ ? settings_->value(QString::fromLatin1(key)).toString() : QString();
}

void Velmar::remember(const char* key, const QString& value) {
    if (settings_) settings_->setValue(QString::fromLatin1(key), value);
}

// The file a drop names: its one local URL, else its text where that is the path of a
// file (or its file: URL).
static QString droppedBook(const QMimeData* data) {
    if (!data) return {};
    QString path;
    if (data->hasUrls()) {
        if (data->urls().size() != 1 || !data->urls()[0].isLocalFile()) return {};
        path = data->urls()[0].toLocalFile();
    } else if (data->hasText()) {
        path = data->text().trimmed();
        if (path.startsWith(QStringLiteral("file:"))) path = QUrl(path).toLocalFile();
    }
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

void Velmar::dragEnterEvent(QDragEnterEvent* event) {
    if (!exporting_ && !droppedBook(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Velmar::dropEvent(QDropEvent* event) {
    const QString path = droppedBook(event->mimeData());
    if (exporting_ || path.isEmpty()) return;
    event->acceptProposedAction();
    // The drop's source waits for it to end: the scan and its message come after.
    QTimer::singleShot(0, this, [this, path] { openBook(path); });
}

void Velmar::Open_Click() { Command2_Click(); }

// Scan: lists every contact of the book under the root, keyed T_1, T_2, ... in view order.
// The tree then belongs to that book: a click reads it, whatever Files says later. The
// book is read on a thread of its own; the window answers meanwhile, its progress bar
// shows how far the scan has come and Cancel (or Esc) stops it.
void Velmar::Command3_Click() {
    scanAction_->setEnabled(true);
    const QString path = files_->text();
    if (path.isEmpty()) {
        warn(exportText(exporting::kNoBookMessage));
        return;
    }
    if (exporting_) return;
    stopScan();

    // The tree starts again from its root alone, expanded and at the top; the boxes
    // showed a contact of the list that is gone.
    contacts_->setContacts({});
    filter_->clear();
    scannedBook_.clear();
    setWindowTitle(kTitle);
    tree_->setExpanded(contacts_->rootIndex(), true);
    tree_->verticalScrollBar()->setValue(0);
    showMembers({});
    detail_->clear();
    countsChanged();
    const QString bookName = QFileInfo(path).fileName();
    scanStatus_->setText(tr("Scanning %1 ...").arg(bookName));
    scanStatus_->setToolTip(path);

    // Nothing to save while the list is made; Cancel stops the scan.
    saveWasEnabled_ = saveButton_->isEnabled();
    saveButton_->setEnabled(false);
    for (QAction* action : saveActions_) action->setEnabled(false);
    scanButton_->setEnabled(false);
    scanAction_->setEnabled(false);
    cancelButton_->setEnabled(true);
    cancelButton_->setToolTip(tr("Stop the scan (Esc)"));
    stopShortcut_->setEnabled(true);
    progress_->setRange(0, 0);

    auto job = std::make_shared<ScanJob>();
    job->path = path;
    scan_ = job;
    QThread* thread = QThread::create([job] { runScan(job); });
    thread->setObjectName(QStringLiteral("Scan"));
    connect(thread, &QThread::finished, this, [this, job] { scanFinished(job); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    scanThread_ = thread;
    scanTicker_->start();
    thread->start();
}

void Velmar::showScanProgress() {
    if (!scan_) return;
    const std::int64_t total = scan_->total;
    if (total < 0) return; // still counting: the bar keeps moving
    const int most = int(std::min<std::int64_t>(std::max<std::int64_t>(total, 1), INT_MAX));
    if (progress_->maximum() != most) progress_->setRange(0, most);
    progress_->setValue(int(std::min<std::int64_t>(scan_->listed, most)));
}

// Stops the scan in progress, if any, and waits for its thread; its list is not shown.
void Velmar::stopScan() {
    if (!scan_) return;
    scan_->stop = true;
    if (scanThread_) scanThread_->wait();
    const std::shared_ptr<ScanJob> job = scan_;
    scanFinished(job);
}

void Velmar::scanFinished(const std::shared_ptr<ScanJob>& job) {
    if (job != scan_) return; // a scan stopped and answered for already
    // finished comes while the thread is still ending: joined here, no thread outlives
    // its scan (a thread ending at the program's exit trips the leak checker's tracer).
    if (scanThread_) scanThread_->wait();
    scan_.reset();
    scanThread_ = nullptr;
    scanTicker_->stop();
    progress_->setRange(0, 100);
    progress_->setValue(0);
    cancelButton_->setEnabled(false);
    cancelButton_->setToolTip(tr("Stop the export at the next contact (Esc)"));
    stopShortcut_->setEnabled(false);
    scanButton_->setEnabled(true);
    scanAction_->setEnabled(true);
    // A book with contacts makes the save commands available; they stay as they were
    // after an empty or unreadable one.
    if (saveWasEnabled_ || job->total > 0) enableSaveCommands();

    const QString path = job->path;
    const QString bookName = QFileInfo(path).fileName();
    if (job->stopped) {
        scanStatus_->setText(tr("Scan of %1 cancelled").arg(bookName));
        return;
    }
    if (!job->failure.isEmpty()) {
        const std::size_t listed = job->contacts.size();
        if (!job->opened) {
            scanStatus_->setText(tr("%1 could not be scanned").arg(bookName));
            warn(tr("The address book could not be scanned.") + QStringLiteral("\r\n\r\n") + job->failure);
            return;
        }
        // The contacts read so far are sound and keep their positions: list them.
        listScanned(path, std::move(job->contacts), tr("scan stopped"));
        warn((listed == 0   ? tr("The address book could not be scanned.")
              : listed == 1 ? tr("Scanning stopped after the first contact; the list shows only it.")
                            : tr("Scanning stopped after %1 contacts; the list shows only those.").arg(countText(std::int64_t(listed)))) +
             QStringLiteral("\r\n\r\n") + job->failure);
        return;
    }
    const bool none = job->contacts.size() == 0;
    const std::size_t lists = job->groups.lists().size();
    listScanned(path, std::move(job->contacts),
                lists == 0   ? QString()
                : lists == 1 ? tr("1 mailing list")
                             : tr("%1 mailing lists").arg(countText(std::int64_t(lists))),
                listedLists(job->groups));
    QString noContacts = tr("%1 holds no contacts: no document of the form \"Person\".").arg(bookName);
    if (!job->others.empty())
        noContacts += QStringLiteral(" ") + tr("It holds %1.")
                                                .arg(QString::fromStdString(exporting::otherDocumentsCountText(job->others)));
    prompts_.message(this, kTitle, none ? tr(kScanCompleted) + QStringLiteral("\r\n\r\n") + noContacts : tr(kScanCompleted));
}

// Puts the contacts of the book at path into the tree and names book and count below.
void Velmar::listScanned(const QString& path, ScannedContacts contacts, const QString& remark,
                         std::vector<ListedList> lists) {
    const std::size_t count = contacts.size();
    contacts_->setContacts(std::move(contacts), std::move(lists));
    tree_->verticalScrollBar()->setValue(0);
    scannedBook_ = path;
    remember(kLastBookKey, QFileInfo(path).absoluteFilePath());
    QString text = QFileInfo(path).fileName() + QStringLiteral(": ") + contactCountText(count);
    if (!remark.isEmpty()) text += QStringLiteral(", ") + remark;
    scanStatus_->setText(text);
    scanStatus_->setToolTip(path);
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + kTitle);
    pickedScope_.reset();
    countsChanged();
}

QString Velmar::contactCountText(std::int64_t count) const {
    if (count == 0) return tr("no contacts");
    if (count == 1) return tr("1 contact");
    return tr("%1 contacts").arg(countText(count));
}

void Velmar::scan_Click() { Command3_Click(); }

void Velmar::TreeView1_NodeClick(const QModelIndex& node) {
    if (!node.isValid()) return;
    if (tree_->currentIndex() != node) tree_->setCurrentIndex(node); // shows it, through currentChanged
    else showNode(node);
}

// A contact shows the document at its position in the book the tree was scanned from.
// Where that file is unchanged since, it goes straight to the place the scan found the
// contact at; otherwise it finds the position afresh.
void Velmar::showNode(const QModelIndex& node) {
    if (const ListedList* list = contacts_->list(node)) {
        showMembers(*list);
        return;
    }
    if (!contacts_->isContact(node)) return;
    showMembers({});
    try {
        notes::AddressBook book(scannedBook_.toStdString());
        const std::int64_t position = contacts_->runningNumber(node);
        const auto place = contacts_->place(node);
        const std::optional<notes::ContactDocument> contact =
            place ? book.documentAt(position, *place) : book.documentAt(position);
        // Another document at the contact's position: the book changed since the scan.
        if (!contact || !contacts_->isSameDocument(node, contact->noteInfo().unid)) {
            detail_->clear();
            warn(tr(kContactGone));
            return;
        }
        detail_->showContact(*contact);
    } catch (const std::exception& failure) {
        // The boxes would otherwise show another contact under this node.
        detail_->clear();
        showFailure(tr("The contact could not be read."), failure);
    }
}

// A list shows its members in place of the contact boxes; anything else the boxes again.
void Velmar::showMembers(const std::optional<ListedList>& list) {
    // The one shown takes the width of the one it replaces.
    auto* split = static_cast<QSplitter*>(detail_->parentWidget());
    QList<int> sizes = split->sizes(); // the list, the pages, the members
    const bool swap = bool(list) == detail_->isVisibleTo(split);
    members_->setVisible(bool(list));
    detail_->setVisible(!list);
    if (swap && sizes.size() == 3) {
        std::swap(sizes[1], sizes[2]);
        split->setSizes(sizes);
    }
    membersList_->clear();
    if (!list) return;
    detail_->clear();
    members_->setTitle(tr("Members of %1").arg(list->name));
    membersList_->addItems(list->members);
    membersList_->setAccessibleName(tr("Members of %1").arg(list->name));
}

// The lists as the tree shows them: each member as the groups command names it.
std::vector<ListedList> Velmar::listedLists(const contact::GroupBook& groups) const {
    const auto utf8 = [](std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); };
    std::vector<ListedList> lists;
    for (const contact::Group& group : groups.lists()) {
        ListedList list{utf8(group.name), {}};
        for (const contact::GroupMember& member : group.members) {
            const QString name = utf8(member.name), address = utf8(member.address);
            using Kind = contact::GroupMember::Kind;
            switch (member.kind) {
            case Kind::Contact:
            case Kind::Outside:
                list.members << (address.isEmpty() ? name
                                 : name.isEmpty()  ? address
                                                   : QStringLiteral("%1 <%2>").arg(name, address));
                break;
            case Kind::Group: list.members << tr("%1 (mailing list)").arg(name); break;
            case Kind::Unaddressed: list.members << tr("%1 (no Internet address)").arg(name); break;
            }
        }
        lists.push_back(std::move(list));
    }
    return lists;
}

// While an export runs the window takes input for Cancel, Esc and a close request only.
void Velmar::setCommandsEnabledForRun(bool enabled) {
    findChild<QWidget*>(QStringLiteral("Frame1"))->setEnabled(enabled);
    findChild<QWidget*>(QStringLiteral("Frame2"))->setEnabled(enabled);
    menuBar()->setEnabled(enabled);
    if (!enabled) {
        actionsBeforeRun_.clear();
        for (QAction* action : findChildren<QAction*>())
            if (action->isEnabled() && !action->shortcut().isEmpty()) {
                actionsBeforeRun_.append(action);
                action->setEnabled(false);
            }
    } else {
        for (QAction* action : std::as_const(actionsBeforeRun_))
            if (action) action->setEnabled(true);
        actionsBeforeRun_.clear();
    }
    cancelButton_->setEnabled(!enabled);
    stopShortcut_->setEnabled(!enabled);
    if (dialog_) dialog_->setExportRunning(!enabled, [this] { stopExport(); });
}

// The view's selection changes feed the model's, which keeps contacts the filter hides.
void Velmar::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    if (refiltering_) return;
    for (const QItemSelectionRange& range : deselected)
        if (range.parent() == contacts_->rootIndex()) contacts_->setChosen(range.top(), range.bottom(), false);
    for (const QItemSelectionRange& range : selected)
        if (range.parent() == contacts_->rootIndex()) contacts_->setChosen(range.top(), range.bottom(), true);
    pickedScope_.reset();
    countsChanged();
}

// A new filter shows its contacts with those of them selected that were.
void Velmar::filterEdited(const QString& text) {
    refiltering_ = true;
    contacts_->setFilter(text);
    tree_->selectionModel()->select(contacts_->chosenShownRows(), QItemSelectionModel::Select);
    refiltering_ = false;
    tree_->setExpanded(contacts_->rootIndex(), true);
    tree_->verticalScrollBar()->setValue(0);
    pickedScope_.reset();
    countsChanged();
}

ScopeCounts Velmar::scopeCounts() const {
    ScopeCounts counts;
    counts.total = std::int64_t(contacts_->contactCount());
    counts.selected = std::int64_t(contacts_->chosenCount());
    counts.shown = std::int64_t(contacts_->shownCount());
    counts.filtered = contacts_->isFiltered();
    return counts;
}

SaveScope Velmar::saveScope() const {
    const ScopeCounts counts = scopeCounts();
    if (pickedScope_ && scopeOffered(*pickedScope_, counts)) return *pickedScope_;
    return defaultScope(counts);
}

void Velmar::countsChanged() {
    const ScopeCounts counts = scopeCounts();
    const bool listed = counts.total > 0;
    selectionStatus_->setText(listed ? tr("%1 of %2 selected").arg(countText(counts.selected), countText(counts.total))
                                     : QString());
    filterCount_->setVisible(counts.filtered);
    filterCount_->setText(counts.filtered ? tr("%1 of %2 shown").arg(countText(counts.shown), countText(counts.total))
                                          : QString());
    const SaveScope scope = saveScope();
    for (QAction* choice : scopeActions_->actions()) {
        const auto of = SaveScope(choice->data().toInt());
        choice->setText(scopeChoiceText(of, counts));
        choice->setEnabled(listed && scopeOffered(of, counts));
        choice->setChecked(listed && of == scope);
    }
    if (QMenu* saveAs = menuBar()->findChild<QMenu*>(QStringLiteral("saveas"))) giveMnemonics(saveAs->actions());
}

// Saves take the book the list was made from. The path box naming another asks for a
// scan of that one first; an empty one lets the export say that no book is chosen.
bool Velmar::bookOnScreenIsTheOneNamed() {
    const QString named = files_->text();
    if (named.isEmpty()) return true;
    if (!scannedBook_.isEmpty() && QFileInfo(named).absoluteFilePath() == QFileInfo(scannedBook_).absoluteFilePath())
        return true;
    warn(scannedBook_.isEmpty()
             ? tr("The list shows no address book. Scan %1 first, then save.").arg(named)
             : tr("The path box names %1, but the list shows the contacts of %2.\r\n\r\n"
                  "Scan %1 first to save its contacts, or put %2 back into the path box to save the list.")
                   .arg(QDir::toNativeSeparators(named), QDir::toNativeSeparators(scannedBook_)));
    return false;
}

void Velmar::stopExport() {
    if (run_) run_->requestStop();
    // The same Cancel stops a scan, answering at once; the thread ends at its next contact.
    if (scan_ && !run_) {
        scan_->stop = true;
        scanStatus_->setText(tr("Stopping the scan ..."));
    }
}

// One export from start to end; the window takes no other command meanwhile.
void Velmar::runExport(const exporting::OutputFormat& format) {
    if (exporting_ || scan_ || !bookOnScreenIsTheOneNamed()) return;
    exporting_ = true;
    bool disabled = false;
    WindowExportUi ui(prompts_, this, *progress_, [&] {
        setCommandsEnabledForRun(false);
        disabled = true;
    });
    run_ = &ui;
    ui.setStartFolder(remembered(kLastFolderKey));
    try {
        exporting::ExportRun run(ui);
        // The contacts the save choice names, of the book on screen.
        const SaveScope scope = saveScope();
        if (scope == SaveScope::Selected) run.setSelection(contacts_->chosenRunningNumbers());
        if (scope == SaveScope::Shown) run.setSelection(contacts_->shownRunningNumbers());
        run.run(format, files_->text().isEmpty() ? std::string() : scannedBook_.toStdString());
    } catch (const std::exception& failure) {
        progress_->setValue(progress_->minimum());
        // The run reports its own failures; this is the last resort for one it could not.
        showFailure(tr("The export stopped before it was complete. The file it was writing was "
                       "not written; every other file in the folder is kept as it was."),
                    failure);
    }
    run_ = nullptr;
    if (!ui.chosenFolder().isEmpty()) remember(kLastFolderKey, ui.chosenFolder());
    if (disabled) setCommandsEnabledForRun(true);
    exporting_ = false;
    // The user asked to cancel and exit while it ran.
    if (exitAfterRun_) QTimer::singleShot(0, this, [this] { close(); });
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
    if (dialog_) pickedScope_ = dialog_->chosenScope();
    countsChanged();
    switch (form) {
    case 0: cal_1(); break;
    case 1: cal_2(); break;
    case 2: cal_3(); break;
    case 3: cal_4(); break;
    case 4: cal_5(); break;
    default:
        // The files for other programs, which the Save As menu runs alike.
        if (form > 0 && std::size_t(form) < saveDialogFormats().size()) runExport(*saveDialogFormats()[std::size_t(form)]);
        break;
    }
}

// Save: the save format dialog, created on first use and kept while it is only hidden.
void Velmar::SaveC_Click() {
    if (!dialog_) dialog_ = new Dialog(prompts_, [this](int form) { runDialogForm(form); }, this);
    dialog_->setScopes(scopeCounts(), saveScope());
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

// An attached file of the contact shown, saved whole into a folder the user picks, under
// its own name or, where that is taken, a free one beside it: nothing there is replaced.
void Velmar::saveAttachedFile(const contact::Attachment& file) {
    const QString folder = prompts_.chooseFolder(this, tr("Save the attached file in which folder?"),
                                                 remembered(kLastFolderKey));
    if (folder.isEmpty()) return;
    // The name as the attachments command cleans it, "contract (2).pdf" where it is taken.
    const std::string name = exporting::safeFileName(file.name());
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = name.size();
    const std::string where = folder.toStdString();
    const QString path = QString::fromStdString(exporting::outputPath(
        where, exporting::firstFreeName(where, name.substr(0, dot), name.substr(dot), exporting::Numbering::Parenthesized)));
    QSaveFile out(path);
    bool written = out.open(QIODevice::WriteOnly);
    if (written)
        file.forEachDecodedPiece([&](std::string_view piece) {
            written = written && out.write(piece.data(), qint64(piece.size())) == qint64(piece.size());
        });
    if (!written || !out.commit()) {
        out.cancelWriting();
        warn(tr("\"%1\" could not be saved: %2").arg(QDir::toNativeSeparators(path), out.errorString()));
        return;
    }
    prompts_.message(this, kTitle, tr("Saved as \"%1\".").arg(QDir::toNativeSeparators(path)));
}

void Velmar::Command4_Click() { close(); }
void Velmar::exit_Click() { close(); }

// The exit confirmation; true when the window may close.
bool Velmar::Form_Unload() {
    if (!exitAfterRun_ && !prompts_.askYesNo(this, kTitle, tr(kExitQuestion))) return false;
    delete dialog_.data();
    delete about_.data();
    return true;
}

void Velmar::closeEvent(QCloseEvent* event) {
    // An export in progress is stopped first, at its next contact, so that it keeps
    // the files it completed; the window closes once it has.
    if (exporting_) {
        event->ignore();
        if (!exitAfterRun_ && prompts_.askYesNo(this, kTitle, tr("An export is running. Cancel it and exit?"))) {
            exitAfterRun_ = true;
            stopExport();
        }
        return;
    }
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    stopScan();
    if (settings_) {
        settings_->setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
        settings_->setValue(QString::fromLatin1(kSplitterKey),
                            findChild<QSplitter*>(QStringLiteral("ContactSplitter"))->saveState());
    }
    event->accept();
}

} // namespace brenmoor::app
