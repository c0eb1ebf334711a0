// The main window driven through its controls by name: start state, Browse, Scan, the
// contact detail view, failures that must leave the program running, and exit.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QSet>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>

#include "app/contact_tree_view.h"
#include "app/save_dialog.h"
#include "app/translation.h"
#include "app/velmar.h"
#include "contact/group.h"
#include "export/output_formats.h"
#include "export/run_summary.h"
#include "notes/address_book.h"
#include "notes/contact_items.h"
#include "viewer/item_places.h"
#include "tests/app/dxl_book.h"
#include "tests/app/prompts_double.h"

using namespace brenmoor::app;
using namespace brenmoor::app::testing;
using brenmoor::notes::kContactItems;
using brenmoor::viewer::kItemPlaces;
namespace exporting = brenmoor::exporting;

namespace {

const QString kFileNotSelected =
    QStringLiteral("File Not Selected!\r\n\r\nFirst Select Names.nsf file using Browse button..");
const QString kScanCompleted = QStringLiteral("Scanning process completed");

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// Every catalogued item with a value that names it, so a box showing the wrong item shows.
Contact everyItem() {
    Contact contact;
    for (const auto& info : kContactItems) contact.append({qs(info.notesName), qs(info.notesName) + " value"});
    return contact;
}

} // namespace

class VelmarTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PromptsDouble> prompts;
    std::unique_ptr<Velmar> window;
    std::unique_ptr<QTemporaryDir> dir;

    template <typename T> T* control(const char* name) {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QAction* action(const char* name) { return control<QAction>(name); }
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    QLineEdit* files() { return control<QLineEdit>("Files"); }
    ContactTreeView* tree() { return control<ContactTreeView>("TreeView1"); }
    QModelIndex root() { return tree()->model()->index(0, 0); }
    // The contact node at 0-based row i under the root.
    QModelIndex node(int i) { return tree()->model()->index(i, 0, root()); }
    int contactCount() { return tree()->model()->rowCount(root()); }
    QPoint pointOf(const QModelIndex& index) {
        tree()->scrollTo(index);
        return tree()->visualRect(index).center();
    }

    QString boxText(std::string_view name) {
        QWidget* box = window->findChild<QWidget*>(qs(name));
        if (auto* line = qobject_cast<QLineEdit*>(box)) return line->text();
        if (auto* page = qobject_cast<QPlainTextEdit*>(box)) return page->toPlainText();
        qFatal("no box %s", std::string(name).c_str());
    }

    QString book(const QString& name, const QList<Contact>& contacts) {
        const QString path = dir->filePath(name);
        if (!writeDxlBook(path, contacts)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString statusText() { return control<QLabel>("ScanStatus")->text(); }

    void scan(const QString& path) {
        files()->setText(path);
        window->Command3_Click();
        waitForScan();
    }
    void waitForScan() { QTRY_VERIFY_WITH_TIMEOUT(!window->isScanning(), 30000); }

    QStringList childKeys() {
        QStringList keys;
        for (int i = 0; i < contactCount(); ++i) keys.append(node(i).data(kNodeKeyRole).toString());
        return keys;
    }

    void checkSaveCommandsEnabled(bool enabled) {
        QCOMPARE(button("SaveC")->isEnabled(), enabled);
        for (const exporting::OutputFormat& format : exporting::outputFormats()) {
            const QString name = QString::fromUtf8(format.menuItem.data(), qsizetype(format.menuItem.size()));
            QVERIFY2(action(name.toUtf8().constData())->isEnabled() == enabled, qPrintable(name));
        }
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        prompts = std::make_unique<PromptsDouble>();
        window = std::make_unique<Velmar>(*prompts);
        window->show();
    }
    void cleanup() {
        window.reset();
        prompts.reset();
        dir.reset();
    }

    void startStateEnablesOnlyBrowseExitHelpAndAbout() {
        QCOMPARE(window->objectName(), QStringLiteral("Velmar"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Brenmoor"));
        for (const char* name : {"Command2", "Command4"}) QVERIFY2(button(name)->isEnabled(), name);
        for (const char* name : {"Command3", "SaveC"}) QVERIFY2(!button(name)->isEnabled(), name);
        for (const char* name : {"Open", "exit", "content", "about"}) QVERIFY2(action(name)->isEnabled(), name);
        QVERIFY(!action("scan")->isEnabled());
        QVERIFY(control<QMenu>("saveas")->menuAction()->isEnabled());
        checkSaveCommandsEnabled(false);
        QCOMPARE(action("Open")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(action("scan")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        // Every item of a menu has an access key of its own.
        for (QMenu* menu : window->menuBar()->findChildren<QMenu*>()) {
            QSet<QChar> keys;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator()) continue;
                const QString text = QString(item->text()).remove(QStringLiteral("&&"));
                const qsizetype at = text.indexOf(QLatin1Char('&'));
                QVERIFY2(at >= 0 && at + 1 < text.size(), qPrintable(item->text()));
                const QChar key = text[at + 1].toCaseFolded();
                QVERIFY2(!keys.contains(key), qPrintable(menu->title() + QStringLiteral(": ") + item->text()));
                keys.insert(key);
            }
        }
        QVERIFY(files()->text().isEmpty());

        QCOMPARE(tree()->model()->rowCount(), 1);
        QCOMPARE(root().data(kNodeKeyRole).toString(), QStringLiteral("TQalder"));
        QCOMPARE(root().data().toString(), QStringLiteral("Notes Address Book"));
        QCOMPARE(root().data(kNodePictureRole).toInt(), 1);
        QVERIFY(tree()->isExpanded(root()));
        QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    }

    void browseStartsInSamplesThenRemembersTheChosenFile() {
        window->setSamplesFolder(QStringLiteral("/opt/samples"));
        const QString first = dir->filePath(QStringLiteral("first.dxl"));

        // Cancelled at the very first use: nothing chosen, Scan stays off.
        window->Command2_Click();
        QCOMPARE(prompts->openFileRequests.size(), 1);
        QCOMPARE(prompts->openFileRequests[0].startDir, QStringLiteral("/opt/samples"));
        QCOMPARE(prompts->openFileRequests[0].filters,
                 (QStringList{"Notes address book export (*.dxl *.xml)", "Select Lotus Notes(names.nsf) (*.nsf)",
                              "All files (*.*)"}));
        QVERIFY(files()->text().isEmpty());
        QVERIFY(!action("scan")->isEnabled());
        QVERIFY(!button("Command3")->isEnabled());

        prompts->openFileAnswers.enqueue(first);
        window->Open_Click();
        QCOMPARE(files()->text(), first);
        QVERIFY(action("scan")->isEnabled());
        QVERIFY(button("Command3")->isEnabled());

        // Cancelled after a choice: what was typed stays.
        files()->setText(QStringLiteral("typed over"));
        window->Command2_Click();
        QCOMPARE(files()->text(), QStringLiteral("typed over"));
        QCOMPARE(prompts->openFileRequests.last().startDir, dir->path());
        QVERIFY(prompts->messages.isEmpty());
    }

    // Scan is offered once Files names a file, however it got there; a book named on the
    // command line or dropped on the window is scanned at once.
    void aBookTypedDroppedOrGivenIsOfferedOrScanned() {
        const QString path = book("one.dxl", {{{"FirstName", "Ann"}}});
        files()->setText(dir->filePath("not-there.dxl"));
        QVERIFY(!button("Command3")->isEnabled() && !action("scan")->isEnabled());
        files()->setText(path);
        QVERIFY(button("Command3")->isEnabled() && action("scan")->isEnabled());

        for (const char* how : {"argument", "drop", "drop on the path box", "text", "enter"}) {
            window = std::make_unique<Velmar>(*prompts);
            window->show();
            prompts->messages.clear();
            const QByteArray way(how);
            if (way == "argument") {
                window->openBook(path);
            } else if (way == "enter") {
                files()->setText(path);
                QTest::keyClick(files(), Qt::Key_Return);
            } else {
                // A drop offering a URL and other text: the URL wins; on the path box it
                // opens the file rather than being spliced into the box's text.
                QMimeData data;
                if (way != "text") data.setUrls({QUrl::fromLocalFile(path)});
                data.setText(way == "text" ? path : QStringLiteral("some other text"));
                if (way == "drop on the path box") files()->setText(QStringLiteral("/old/path.dxl"));
                // Delivered as the window system delivers it: to the first widget under the
                // pointer that takes drops.
                QWidget* under = way == "drop on the path box" ? static_cast<QWidget*>(files()) : window.get();
                while (under && !under->acceptDrops()) under = under->parentWidget();
                QVERIFY(under);
                QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
                QCoreApplication::sendEvent(under, &enter);
                QVERIFY(enter.isAccepted());
                QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
                QCoreApplication::sendEvent(under, &drop);
                QVERIFY(drop.isAccepted());
            }
            QTRY_COMPARE(childKeys(), QStringList{"T_1"});
            waitForScan();
            QCOMPARE(files()->text(), path);
            QCOMPARE(prompts->messageTexts(), QStringList{kScanCompleted});
        }
    }

    // The last book and the last output folder are offered again by the next window.
    void theLastBookAndFolderAreRemembered() {
        QSettings settings(dir->filePath("settings.ini"), QSettings::IniFormat);
        window->setSettings(&settings);
        const QString path = book("one.dxl", {{{"FirstName", "Ann"}}});
        const QString out = dir->filePath("out");
        QVERIFY(QDir().mkpath(out));
        scan(path);
        prompts->folderAnswers.enqueue(out);
        window->savecsv_Click();
        QCOMPARE(prompts->folderStarts, QStringList{QString()});

        window = std::make_unique<Velmar>(*prompts);
        window->setSamplesFolder(QStringLiteral("/opt/samples"));
        window->setSettings(&settings);
        QCOMPARE(files()->text(), path);
        window->Command2_Click();
        QCOMPARE(prompts->openFileRequests.last().startDir, dir->path());
        scan(path);
        window->savecsv_Click();
        QCOMPARE(prompts->folderStarts.last(), out);
    }

    // The filter narrows the list by name, company or e-mail, keys unchanged; a contact
    // without names is listed by its company or e-mail in brackets.
    // The filter finds contacts by what the tree shows and the user types: case, accents,
    // runs of white space and compatibility forms make no difference.
    void filterFindsWhatTheTreeShows_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("keys");
        const auto row = [](const char* name, const char* filter, QStringList keys) {
            QTest::newRow(name) << QString::fromUtf8(filter) << keys;
        };
        row("company", "acme", {"T_1", "T_5"});
        row("upper case", "RAY", {"T_2"});
        row("e-mail", "BETA.EX", {"T_2"});
        row("accent typed", "JOSÉ", {"T_3"});
        row("accent not typed", "jose silva", {"T_3"});
        row("listed name", "delta", {"T_4"});
        row("two spaces in the tree", "ann lee", {"T_1"});
        row("spaces typed", "  ann   lee ", {"T_1"});
        row("diaeresis in the tree", "zoe", {"T_6"});
        row("diaeresis typed", "ZOË", {"T_6"});
        row("ligature typed", "\xef\xac\x81nn", {"T_7"}); // U+FB01, the fi ligature
        row("across company and address", "acme cy", {});
        row("nothing", "zzz", {});
        row("white space only", "   ", {"T_1", "T_2", "T_3", "T_4", "T_5", "T_6", "T_7"});
    }
    void filterFindsWhatTheTreeShows() {
        QFETCH(QString, filter);
        QFETCH(QStringList, keys);
        scan(book("seven.dxl", {{{"FirstName", "Ann"}, {"LastName", "Lee"}, {"CompanyName", "Acme"}},
                                {{"FirstName", "Bob"}, {"LastName", "Ray"}, {"MailAddress", "bob@beta.example"}},
                                {{"FirstName", QString::fromUtf8("José")}, {"LastName", "Silva"}},
                                {{"CompanyName", "Delta Corp"}},
                                {{"CompanyName", "Acme"}, {"MiscPhone2", "cy@acme.example"}},
                                {{"FirstName", QString::fromUtf8("Zoë")}, {"LastName", "Roe"}},
                                {{"FirstName", "Finn"}}}));
        QCOMPARE(node(0).data().toString(), QStringLiteral("Ann  Lee"));
        control<QLineEdit>("Filter")->setText(filter);
        QCOMPARE(childKeys(), keys);
        QVERIFY(tree()->isExpanded(root()));
        auto* count = control<QLabel>("FilterCount");
        if (keys.size() == 7) QVERIFY(count->isHidden());
        else QCOMPARE(count->text(), QStringLiteral("%1 of 7 shown").arg(keys.size()));
    }

    // Ctrl+F goes to the filter, Esc there clears it; a click reads the contact shown.
    void filterKeysAndClick() {
        scan(book("two.dxl", {{{"FirstName", "Ann"}, {"CompanyName", "Acme"}},
                              {{"FirstName", "Bo"}, {"MiscPhone2", "cy@acme.example"}}}));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto* filter = control<QLineEdit>("Filter");
        tree()->setFocus();
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(filter->hasFocus());
        QTest::keyClicks(filter, QStringLiteral("cy@"));
        QCOMPARE(contactCount(), 1);
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("OfficeOtheremail2"), QStringLiteral("cy@acme.example"));
        QTest::keyClick(filter, Qt::Key_Escape);
        QVERIFY(filter->text().isEmpty());
        QCOMPARE(contactCount(), 2);
    }

    // What a save writes is what the menu and the status bar say before: several selected
    // contacts, else those the filter shows, else all, unless the user picks another; a
    // selection outlives the filter that hides it.
    void saveWritesWhatTheMenuSays() {
        QList<Contact> contacts;
        for (const char* name : {"Ann", "Bea", "Cy", "Dee", "Eve"}) contacts.append(Contact{{"FirstName", name}});
        scan(book("five.dxl", contacts));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const struct {
            const char* how;
            const char* filter; // typed after the clicks
            const char* pick;   // a choice of the Save As menu, or none
            const char* status;
            const char* checked;
            QStringList files;
        } cases[] = {
            {"ctrl", "", "", "2 of 5 selected", "ScopeSelected", {"Bea_2.txt", "Dee_4.txt"}},
            {"shift", "", "", "3 of 5 selected", "ScopeSelected", {"Bea_2.txt", "Cy_3.txt", "Dee_4.txt"}},
            {"one", "", "", "1 of 5 selected", "ScopeAll", {"Ann_1.txt", "Bea_2.txt", "Cy_3.txt", "Dee_4.txt", "Eve_5.txt"}},
            {"one", "", "ScopeSelected", "1 of 5 selected", "ScopeSelected", {"Ann_1.txt"}},
            {"none", "e", "", "0 of 5 selected", "ScopeShown", {"Bea_2.txt", "Dee_4.txt", "Eve_5.txt"}},
            {"ctrl", "e", "", "2 of 5 selected", "ScopeSelected", {"Bea_2.txt", "Dee_4.txt"}},
            // Ann and Cy selected, then hidden by the filter: still selected, still saved.
            {"ann+cy", "e", "", "2 of 5 selected", "ScopeSelected", {"Ann_1.txt", "Cy_3.txt"}},
            {"ann+cy", "e", "ScopeShown", "2 of 5 selected", "ScopeShown", {"Bea_2.txt", "Dee_4.txt", "Eve_5.txt"}},
            {"ctrl", "", "ScopeAll", "2 of 5 selected", "ScopeAll", {"Ann_1.txt", "Bea_2.txt", "Cy_3.txt", "Dee_4.txt", "Eve_5.txt"}},
        };
        for (const auto& c : cases) {
            const QByteArray how(c.how);
            control<QLineEdit>("Filter")->clear();
            tree()->clearSelection();
            if (how == "one" || how == "ann+cy") QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(0)));
            if (how == "ann+cy") QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::ControlModifier, pointOf(node(2)));
            if (how == "ctrl" || how == "shift") QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(1)));
            if (how == "ctrl") QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::ControlModifier, pointOf(node(3)));
            if (how == "shift") QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf(node(3)));
            control<QLineEdit>("Filter")->setText(QString::fromLatin1(c.filter));
            if (*c.pick) action(c.pick)->trigger();
            QCOMPARE(control<QLabel>("SelectionStatus")->text(), QString::fromLatin1(c.status));
            QVERIFY2(action(c.checked)->isChecked(), c.checked);

            const QString out = dir->filePath(QStringLiteral("%1-%2-%3").arg(c.how, c.filter, c.pick));
            QVERIFY(QDir().mkpath(out));
            prompts->notices.clear();
            prompts->folderAnswers.enqueue(out);
            action("savetxt")->trigger();
            QCOMPARE(QDir(out).entryList(QDir::Files), c.files);
            QCOMPARE(prompts->notices.size(), 1);
            QVERIFY2(prompts->notices[0].informative.startsWith(
                         c.files.size() == 1 ? QStringLiteral("1 contact was written")
                                             : QString::number(c.files.size()) + " contacts were written"),
                     qPrintable(prompts->notices[0].informative));
        }
        // Clearing the filter shows the hidden selection again.
        control<QLineEdit>("Filter")->clear();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(0)));
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::ControlModifier, pointOf(node(2)));
        control<QLineEdit>("Filter")->setText(QStringLiteral("e"));
        QVERIFY(!tree()->selectionModel()->hasSelection());
        QCOMPARE(control<QLabel>("SelectionStatus")->text(), QStringLiteral("2 of 5 selected"));
        control<QLineEdit>("Filter")->clear();
        QVERIFY(tree()->selectionModel()->isSelected(node(0)) && tree()->selectionModel()->isSelected(node(2)));
        QVERIFY(!tree()->selectionModel()->isSelected(node(1)));
    }

    // Pages per contact already in the folder: one question per export, whose answer
    // holds for every page of it.
    void pagesAlreadyThereAreReplacedKeptOrLeftAsTheUserSays() {
        scan(book("two.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}}));
        const struct {
            int answer; // Replace, Keep Both, Cancel
            QStringList files;
            QByteArray ann; // Ann_1.txt's content afterwards
        } cases[] = {
            {0, {"Ann_1.txt", "Bea_2.txt"}, ""},
            {1, {"Ann_1 (2).txt", "Ann_1.txt", "Bea_2 (2).txt", "Bea_2.txt"}, "earlier"},
            {2, {"Ann_1.txt", "Bea_2.txt"}, "earlier"},
        };
        for (const auto& c : cases) {
            const QString out = dir->filePath(QStringLiteral("pages%1").arg(c.answer));
            QVERIFY(QDir().mkpath(out));
            for (const char* name : {"Ann_1.txt", "Bea_2.txt"}) {
                QFile earlier(QDir(out).filePath(QLatin1String(name)));
                QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
            }
            prompts->questions.clear();
            prompts->chooseAnswers.enqueue(c.answer);
            prompts->folderAnswers.enqueue(out);
            action("savetxt")->trigger();
            QCOMPARE(prompts->questions.size(), 1);
            QVERIFY(prompts->questions[0].text.contains("Ann_1.txt"));
            QCOMPARE(QDir(out).entryList(QDir::Files), c.files);
            QFile ann(QDir(out).filePath("Ann_1.txt"));
            QVERIFY(ann.open(QIODevice::ReadOnly));
            const QByteArray content = ann.readAll();
            QVERIFY2(c.ann.isEmpty() ? content != "earlier" : content == c.ann, content.constData());
        }
        QVERIFY2(prompts->messageTexts().last().startsWith("Export cancelled"), qPrintable(prompts->messageTexts().last()));
    }

    // Saves take the book on screen: a path typed over it is to be scanned first.
    void saveTakesTheBookOnScreen() {
        scan(book("two.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}}));
        files()->setText(book("other.dxl", {{{"FirstName", "Zed"}}}));
        const QString out = dir->filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        prompts->folderAnswers.enqueue(out);
        action("savetxt")->trigger();
        QVERIFY(QDir(out).isEmpty());
        QVERIFY(prompts->folderPrompts.isEmpty());
        QVERIFY2(prompts->messageTexts().last().contains("Scan "), qPrintable(prompts->messageTexts().last()));
        files()->setText(dir->filePath(QStringLiteral("two.dxl")));
        action("savetxt")->trigger();
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"Ann_1.txt", "Bea_2.txt"}));
    }

    void scanListsContactsInViewOrderAndRescanRestartsNumbering() {
        const QString path = book("three.dxl", {{{"FirstName", "Ann"}, {"LastName", "Lee"}},
                                                {{"LastName", "Lee"}},
                                                {{"Comment", "no names"}}});
        for (int pass = 0; pass < 2; ++pass) {
            scan(path);
            QCOMPARE(tree()->model()->rowCount(), 1);
            QCOMPARE(root().data(kNodeKeyRole).toString(), QStringLiteral("TQalder"));
            QVERIFY(tree()->isExpanded(root()));
            QCOMPARE(childKeys(), (QStringList{"T_1", "T_2", "T_3"}));
            QCOMPARE(node(0).data().toString(), QStringLiteral("Ann  Lee"));
            QCOMPARE(node(1).data().toString(), QStringLiteral("Lee"));
            QCOMPARE(node(2).data().toString(), QString());
            for (int i = 0; i < 3; ++i) QCOMPARE(node(i).data(kNodePictureRole).toInt(), 2);
            tree()->setExpanded(root(), false); // the next scan expands it again
        }
        QCOMPARE(prompts->messageTexts(), (QStringList{kScanCompleted, kScanCompleted}));
        for (const ShownMessage& m : prompts->messages) QCOMPARE(m.title, QStringLiteral("Brenmoor"));
        checkSaveCommandsEnabled(true);
    }

    void scanFromTheMenuShortcutBehavesAsTheButton() {
        const QString path = book("one.dxl", {{{"FirstName", "Ann"}}});
        prompts->openFileAnswers.enqueue(path);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(files()->text(), path);
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        waitForScan();
        QCOMPARE(childKeys(), QStringList{"T_1"});
        QCOMPARE(prompts->messageTexts(), QStringList{kScanCompleted});
    }

    // A scan runs off the window's thread: the old list goes at once, the window answers,
    // Cancel stops the scan and keeps no half list; the next scan lists the book whole.
    void scanRunsBesideTheWindowAndCancelStopsIt() {
        scan(book("one.dxl", {{{"FirstName", "Ann"}}}));
        QList<Contact> many;
        for (int i = 0; i < 50000; ++i) many.append(Contact{{"FirstName", QStringLiteral("N%1").arg(i)}});
        const QString big = book("big.dxl", many);
        prompts->messages.clear();
        files()->setText(big);
        window->Command3_Click();
        QVERIFY(window->isScanning());
        QCOMPARE(contactCount(), 0);
        QVERIFY(!button("SaveC")->isEnabled() && !button("Command3")->isEnabled());
        QVERIFY(button("CancelExport")->isEnabled());
        window->Command2_Click(); // another command answers meanwhile
        QCOMPARE(prompts->openFileRequests.size(), 1);
        button("CancelExport")->click();
        waitForScan();
        QCOMPARE(contactCount(), 0);
        QVERIFY2(statusText().contains("cancelled"), qPrintable(statusText()));
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(button("SaveC")->isEnabled() && button("Command3")->isEnabled());
        QVERIFY(!button("CancelExport")->isEnabled());
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        scan(big);
        QLocale::setDefault(before);
        QCOMPARE(contactCount(), 50000);
        QCOMPARE(control<QLabel>("SelectionStatus")->text(), QStringLiteral("0 of 50,000 selected"));
        QCOMPARE(window->windowTitle(), QStringLiteral("big.dxl - Brenmoor"));
    }

    void scanWithEmptyFilesOnlyAsksForAFile() {
        const QString path = book("one.dxl", {{{"FirstName", "Ann"}}});
        scan(path);
        files()->clear();
        prompts->messages.clear();
        window->scan_Click();
        QCOMPARE(prompts->messageTexts(), QStringList{kFileNotSelected});
        QCOMPARE(childKeys(), QStringList{"T_1"});
        QVERIFY(action("scan")->isEnabled());
    }

    void emptyBookLeavesSaveCommandsAsTheyWere() {
        const QString empty = book("empty.dxl", {});
        scan(empty);
        QCOMPARE(contactCount(), 0);
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY(prompts->messages[0].text.startsWith(kScanCompleted));
        checkSaveCommandsEnabled(false);

        scan(book("one.dxl", {{{"FirstName", "Ann"}}}));
        scan(empty);
        QCOMPARE(contactCount(), 0);
        checkSaveCommandsEnabled(true);
    }

    void scanNumbersPastSixteenBits() {
        QList<Contact> contacts(33000, Contact{{"FirstName", "Same"}});
        contacts.last() = Contact{{"FirstName", "Last"}, {"LastName", "One"}};
        scan(book("many.dxl", contacts));
        QCOMPARE(contactCount(), 33000);
        QCOMPARE(node(32999).data(kNodeKeyRole).toString(), QStringLiteral("T_33000"));
        QCOMPARE(node(32999).data().toString(), QStringLiteral("Last  One"));
        QCOMPARE(node(32767).data(kNodeKeyRole).toString(), QStringLiteral("T_32768"));
        // The last one is reached and shown like any other.
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(32999)));
        QCOMPARE(boxText("First"), QStringLiteral("Last"));
    }

    void nodeClickFillsEveryBoxFromItsItem() {
        scan(book("full.dxl", {{{"FirstName", "Ann"}}, everyItem()}));
        window->TreeView1_NodeClick(node(1));
        for (const auto& place : kItemPlaces)
            QVERIFY2(boxText(place.box) == qs(brenmoor::notes::notesName(place.item)) + " value", place.box.data());
        // The Personal "Cell phone" is the personal pager item; the two internet
        // certificate boxes have no item.
        QCOMPARE(boxText("Per_Cell_phone"), QStringLiteral("PersPager value"));
        QCOMPARE(boxText("OfficeCellphone"), QStringLiteral("CellPhoneNumber value"));
        QCOMPARE(boxText("Text39"), QString());
        QCOMPARE(boxText("Text40"), QString());

        // The root keeps what is shown; a sparser contact empties the other boxes.
        window->TreeView1_NodeClick(root());
        QCOMPARE(boxText("Certificate"), QStringLiteral("Certificate value"));
        window->TreeView1_NodeClick(node(0));
        for (const auto& place : kItemPlaces)
            QVERIFY2(boxText(place.box) == (place.box == "First" ? QStringLiteral("Ann") : QString()), place.box.data());
        QVERIFY(prompts->messageTexts() == QStringList{kScanCompleted});
    }

    // The photo (JPEG as a file, PNG in the Photo item, a GIF too large as a placeholder)
    // shows in the banner; a contact without one hides it. No box moves, no control is covered.
    void thePhotoShowsWithoutMovingOrCoveringABox() {
        scan(QStringLiteral(BRENMOOR_TEST_DATA "/media_book.dxl"));
        auto* photo = control<QLabel>("Photo");
        const auto boxes = [&] {
            QList<QRect> rects;
            for (QWidget* control : window->findChildren<QWidget*>())
                if (control->isVisible() && control != photo && control->focusPolicy() != Qt::NoFocus)
                    rects.append(QRect(control->mapTo(window.get(), QPoint(0, 0)), control->size()));
            return rects;
        };
        window->TreeView1_NodeClick(node(3));
        QVERIFY(!photo->isVisible());
        const QList<QRect> without = boxes();
        QVERIFY(!without.isEmpty());
        for (int n : {0, 1}) {
            window->TreeView1_NodeClick(node(n));
            QVERIFY2(photo->isVisible() && !photo->pixmap().isNull(), qPrintable(QString::number(n)));
            QCOMPARE(boxes(), without);
            const QRect shown(photo->mapTo(window.get(), QPoint(0, 0)), photo->size());
            for (const QRect& box : without) QVERIFY(!shown.intersects(box));
        }
        window->TreeView1_NodeClick(node(2));
        QVERIFY(!photo->isVisible());
        // A price list is no photo; a GIF declaring 5700 x 5700 pixels shows as the
        // placeholder, never decoded.
        window->TreeView1_NodeClick(node(4));
        QVERIFY(!photo->isVisible());
        window->TreeView1_NodeClick(node(5));
        QVERIFY(photo->isVisible() && !photo->pixmap().isNull());
        QCOMPARE(photo->pixmap().toImage().pixelColor(0, 0), QColor(0xE4, 0xE4, 0xE4)); // the placeholder's grey
    }

    void mouseClickAndArrowKeysShowTheContact() {
        scan(book("two.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}, {"Comment", "line one\nline two"}}}));
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(1)));
        QCOMPARE(tree()->currentIndex(), node(1));
        QCOMPARE(boxText("First"), QStringLiteral("Bea"));
        QCOMPARE(boxText("Comment"), QStringLiteral("line one\nline two"));

        // The arrow keys show the contact they move to.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        tree()->setFocus();
        QTest::keyClick(tree()->viewport(), Qt::Key_Up);
        QCOMPARE(tree()->currentIndex(), node(0));
        QCOMPARE(boxText("First"), QStringLiteral("Ann"));
        QCOMPARE(boxText("Comment"), QString());
    }

    // Whatever highlights a contact shows it: a press on one and a release on another,
    // a right-click, the keys. A click on the highlighted contact reads it again.
    void theBoxesShowTheHighlightedContact() {
        const QString path = book("three.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}, {{"FirstName", "Cy"}}});
        scan(path);
        QTest::mousePress(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(0)));
        QTest::mouseMove(tree()->viewport(), pointOf(node(2)));
        QTest::mouseRelease(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(2)));
        QCOMPARE(tree()->currentIndex(), node(2));
        QCOMPARE(boxText("First"), QStringLiteral("Cy"));

        QTest::mouseClick(tree()->viewport(), Qt::RightButton, {}, pointOf(node(1)));
        QCOMPARE(tree()->currentIndex(), node(1));
        QCOMPARE(boxText("First"), QStringLiteral("Bea"));

        // The same positions, other names: the click on the highlighted node shows the file as it is now.
        book("three.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bob"}}, {{"FirstName", "Cy"}}});
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(1)));
        QCOMPARE(boxText("First"), QStringLiteral("Bob"));

        // The root is highlighted like a contact, and leaves the boxes as they are.
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(root()));
        QCOMPARE(tree()->currentIndex(), root());
        QCOMPARE(boxText("First"), QStringLiteral("Bob"));
        QVERIFY(prompts->messageTexts() == QStringList{kScanCompleted});
    }

    void theRootFoldsAndUnfoldsItsContacts() {
        scan(book("two.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}}));
        tree()->setFocus();
        tree()->setCurrentIndex(node(1));
        QTest::keyClick(tree()->viewport(), Qt::Key_Left); // up to the root
        QTest::keyClick(tree()->viewport(), Qt::Key_Left); // folded
        QCOMPARE(tree()->currentIndex(), root());
        QVERIFY(!tree()->isExpanded(root()));
        QVERIFY(!tree()->indexAt(pointOf(root()) + QPoint(0, 30)).isValid());
        QTest::keyClick(tree()->viewport(), Qt::Key_Right);
        QVERIFY(tree()->isExpanded(root()));
        QCOMPARE(tree()->indexAt(pointOf(node(0))), node(0));
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(root()));
        QVERIFY(!tree()->isExpanded(root()));
        scan(book("two.dxl", {{{"FirstName", "Ann"}}}));
        QVERIFY(tree()->isExpanded(root()));
    }

    void nodeWhosePositionIsGoneEmptiesTheBoxes() {
        const QString path = book("shrinks.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}, {{"FirstName", "Cy"}}});
        scan(path);
        window->TreeView1_NodeClick(node(2));
        QCOMPARE(boxText("First"), QStringLiteral("Cy"));

        book("shrinks.dxl", {{{"FirstName", "Ann"}}});
        prompts->messages.clear();
        window->TreeView1_NodeClick(node(2));
        QCOMPARE(boxText("First"), QString());
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY(prompts->messages[0].text.contains("no longer in the address book"));
        QVERIFY(prompts->messages[0].text.contains("Scan the address book again"));

        // The position the file still has reads from the file as it is now.
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("First"), QStringLiteral("Ann"));

        // Files naming another book, typed or browsed: the tree still belongs to the book it was scanned from.
        files()->setText(book("other.dxl", {{{"FirstName", "Other"}}}));
        window->TreeView1_NodeClick(root());
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("First"), QStringLiteral("Ann"));
        prompts->openFileAnswers.enqueue(dir->filePath("other.dxl"));
        window->Command2_Click();
        window->TreeView1_NodeClick(node(1));
        QCOMPARE(boxText("First"), QString());
        QVERIFY(prompts->messages.last().text.contains("no longer in the address book"));
        QCOMPARE(statusText(), QStringLiteral("shrinks.dxl: 3 contacts"));
    }

    // The details show all the contact model holds: the Internet address in the Email box
    // where the book has no Notes address, every address on Advanced, and the attached
    // files, each saved whole by its own button without replacing a file there.
    void detailsShowEveryAddressAndSaveAttachedFiles() {
        scan(QStringLiteral(BRENMOOR_TEST_DATA "/media_book.dxl"));
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("First"), QStringLiteral("Jane"));
        QCOMPARE(boxText("email"), QStringLiteral("jane.doe@example.com"));
        QVERIFY(control<QPlainTextEdit>("More")->toPlainText().contains("jane.doe@example.com"));
        QList<QPushButton*> saves = control<QWidget>("AttachedFiles")->findChildren<QPushButton*>("SaveFile");
        QVERIFY(!saves.isEmpty());
        QPushButton* contract = nullptr;
        for (QPushButton* save : saves)
            if (save->accessibleName() == QStringLiteral("Save contract.pdf")) contract = save;
        QVERIFY(contract);
        const QString out = dir->filePath("files");
        QVERIFY(QDir().mkpath(out));
        QFile there(QDir(out).filePath("contract.pdf"));
        QVERIFY(there.open(QIODevice::WriteOnly) && there.write("earlier") == 7);
        there.close();
        prompts->folderAnswers.enqueue(out);
        contract->click();
        QFile expected(QStringLiteral(BRENMOOR_TEST_DATA "/media_book_files/contract.pdf")), saved(QDir(out).filePath("contract (2).pdf"));
        QVERIFY(expected.open(QIODevice::ReadOnly) && saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), expected.readAll());
        QVERIFY(there.open(QIODevice::ReadOnly));
        QCOMPARE(there.readAll(), QByteArray("earlier"));
    }

    // The book changed under the list and another person stands at the contact's place:
    // the UNID tells, and the boxes show no one rather than the wrong person.
    void anotherDocumentAtTheContactsPlaceIsNotShown() {
        const QString path = dir->filePath("changes.dxl");
        const QString unidA(32, 'A'), unidB(32, 'B'), unidZ(32, 'C');
        QVERIFY(writeDxlBook(path, {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}}, {unidA, unidB}));
        scan(path);
        QVERIFY(writeDxlBook(path, {{{"FirstName", "Ann"}}, {{"FirstName", "Zed"}}}, {unidA, unidZ}));
        prompts->messages.clear();
        window->TreeView1_NodeClick(node(1));
        QCOMPARE(boxText("First"), QString());
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY(prompts->messages[0].text.contains("no longer in the address book"));
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("First"), QStringLiteral("Ann"));
    }

    // The book's mailing lists are counted beside its contacts and listed under their own
    // heading after them; a click on a list shows its members as the groups command
    // resolves them (a list named twice, a contact twice alike, a Notes name alone), in
    // place of the contact boxes. Lists are no contacts: Ctrl+A, a Ctrl+click on a list
    // and the filter leave them out of the count, the selection and the save.
    void mailingListsShowTheirMembers() {
        scan(QStringLiteral(BRENMOOR_TEST_DATA "/groups_book.dxl"));
        QVERIFY2(statusText().startsWith("groups_book.dxl: ") && statusText().endsWith(", 3 mailing lists"),
                 qPrintable(statusText()));
        QAbstractItemModel* model = tree()->model();
        const QModelIndex heading = model->index(1, 0);
        QCOMPARE(heading.data().toString(), QStringLiteral("Mailing Lists"));
        QCOMPARE(model->rowCount(heading), 3);
        const struct {
            const char* name;
            QStringList members;
        } lists[] = {
            {"Project Falcon",
             {"Jane Doe <jane.doe@acme.example>", "Ann Lee <ann.lee@lee.example>", "Falcon Partners (mailing list)"}},
            // A contact named by another of its addresses stands by its name and that address.
            {"Falcon Partners",
             {"Sales Desk <sales@partner.example>", "Jim Bo/Works/Acme (no Internet address)",
              "Sam Poe <sam.at.home@poe.example>", "Project Falcon (mailing list)"}},
            {"Readers", {"Ann Lee <ann@work.example>", "Sam Poe <sam@poe.example>"}},
        };
        auto* members = control<QListWidget>("MemberList");
        for (int i = 0; i < 3; ++i) {
            const QModelIndex list = model->index(i, 0, heading);
            QCOMPARE(list.data().toString(), QString::fromLatin1(lists[i].name));
            QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(list));
            QVERIFY(members->isVisible() && !control<QWidget>("Frame3")->isVisible());
            QStringList shown;
            for (int row = 0; row < members->count(); ++row) shown << members->item(row)->text();
            QCOMPARE(shown, lists[i].members);
        }
        // Back to a contact: its boxes again.
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, pointOf(node(0)));
        QVERIFY(!members->isVisible());
        QCOMPARE(boxText("First"), QStringLiteral("Jane"));
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::ControlModifier, pointOf(model->index(2, 0, heading)));
        QCOMPARE(control<QLabel>("SelectionStatus")->text(), QStringLiteral("1 of 4 selected"));
        tree()->selectAll();
        QCOMPARE(control<QLabel>("SelectionStatus")->text(), QStringLiteral("4 of 4 selected"));
        files()->setFocus();
        control<QLineEdit>("Filter")->setText(QStringLiteral("zzz"));
        QCOMPARE(model->rowCount(model->index(1, 0)), 3);
        QCOMPARE(control<QLabel>("SelectionStatus")->text(), QStringLiteral("4 of 4 selected"));
    }

    // The status bar names the scanned book and its count; a new Scan, good or failed,
    // empties the boxes and starts the list at its top.
    void scanNamesTheBookAndCountAndStartsAfresh() {
        const struct {
            const char* file;
            int contacts;  // -1: not a book
            const char* status;
            const char* message;
        } cases[] = {
            {"many.dxl", 300, "many.dxl: 300 contacts", "Scanning process completed"},
            {"one.dxl", 1, "one.dxl: 1 contact", "Scanning process completed"},
            {"empty.dxl", 0, "empty.dxl: no contacts",
             "Scanning process completed\r\n\r\nempty.dxl holds no contacts: no document of the form \"Person\"."},
            {"missing.dxl", -1, "missing.dxl could not be scanned", "The address book could not be scanned."},
        };
        const QString first = book("first.dxl", QList<Contact>(200, Contact{{"FirstName", "Zed"}}));
        for (const auto& c : cases) {
            scan(first);
            window->TreeView1_NodeClick(node(199));
            tree()->scrollTo(node(199));
            QVERIFY(tree()->verticalScrollBar()->value() > 0);
            QCOMPARE(boxText("First"), QStringLiteral("Zed"));
            const QString path = c.contacts < 0 ? dir->filePath(c.file)
                                                : book(c.file, QList<Contact>(c.contacts, Contact{{"FirstName", "Al"}}));
            prompts->messages.clear();
            scan(path);
            QCOMPARE(statusText(), QString::fromUtf8(c.status));
            QCOMPARE(prompts->messages.size(), 1);
            QVERIFY2(prompts->messages[0].text.startsWith(QString::fromUtf8(c.message)), qPrintable(prompts->messages[0].text));
            QCOMPARE(contactCount(), std::max(c.contacts, 0));
            QCOMPARE(boxText("First"), QString());
            QCOMPARE(tree()->verticalScrollBar()->value(), 0);
            QVERIFY(window->statusBar()->currentMessage().isEmpty());
        }
    }

    void unreadableBookIsReportedAndTheProgramCarriesOn() {
        const auto writeRaw = [&](const char* name, const QByteArray& bytes) {
            QFile file(dir->filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", name);
            return file.fileName();
        };
        const QByteArray head = "<?xml version='1.0'?>\n<database xmlns='http://www.lotus.com/dxl'>"
                                "<document form='Person'><item name='FirstName'><text>Ann</text></item></document>";
        const QString truncated = writeRaw("truncated.dxl", head + "<document form='Person'>");
        // Counted fine, unreadable in its second contact.
        const QString badEntity = writeRaw(
            "entity.dxl", head + "<document form='Person'><item name='FirstName'><text>B&bogus;</text></item>"
                                 "</document></database>");

        for (const QString& path : {truncated, badEntity, dir->filePath("missing.dxl")}) {
            prompts->messages.clear();
            scan(path);
            QCOMPARE(prompts->messages.size(), 1);
            QCOMPARE(prompts->messages[0].title, QStringLiteral("Brenmoor"));
            // Whatever is listed was read soundly and numbered from T_1, and the message says so.
            const QString& text = prompts->messages[0].text;
            if (childKeys() == QStringList{"T_1"})
                QVERIFY2(text.startsWith("Scanning stopped after the first contact; the list shows only it."),
                         qPrintable(text));
            else
                QVERIFY2(childKeys() == QStringList{} && text.startsWith("The address book could not be scanned."),
                         qPrintable(text));
            QVERIFY2(prompts->messages[0].text.contains(QFileInfo(path).fileName()),
                     qPrintable(prompts->messages[0].text));
        }
        // Still running and usable.
        prompts->messages.clear();
        scan(book("good.dxl", {{{"FirstName", "Ann"}}}));
        QCOMPARE(prompts->messageTexts(), QStringList{kScanCompleted});
        QCOMPARE(childKeys(), QStringList{"T_1"});
    }

    void nodeClickOnAnUnreadableFileEmptiesTheBoxesAndSaysWhy() {
        const QString path = book("gone.dxl", {{{"FirstName", "Ann"}}});
        scan(path);
        window->TreeView1_NodeClick(node(0));
        QVERIFY(QFile::remove(path));
        prompts->messages.clear();
        window->TreeView1_NodeClick(node(0));
        QCOMPARE(boxText("First"), QString());
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY(prompts->messages[0].text.contains("gone.dxl"));
    }

    void closingAsksAndOnlyYesCloses() {
        const QString path = book("one.dxl", {{{"FirstName", "Ann"}}});
        scan(path);
        window->TreeView1_NodeClick(node(0));

        prompts->yesNoAnswers.enqueue(false);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        prompts->yesNoAnswers.enqueue(false);
        action("exit")->trigger();
        prompts->yesNoAnswers.enqueue(false);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(files()->text(), path);
        QCOMPARE(boxText("First"), QStringLiteral("Ann"));
        QCOMPARE(childKeys(), QStringList{"T_1"});
        QCOMPARE(prompts->questions.size(), 3);
        for (const ShownMessage& q : prompts->questions) {
            QCOMPARE(q.title, QStringLiteral("Brenmoor"));
            QCOMPARE(q.text, QStringLiteral("Are you sure you want to exit?"));
        }

        prompts->yesNoAnswers.enqueue(true);
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
    }

    void exportRunsWithTheWindowLockedAndResetsTheProgress() {
        const QString out = dir->filePath("out");
        QVERIFY(QDir().mkpath(out));
        scan(book("two.dxl", {{{"FirstName", "Ann"}}, {{"FirstName", "Bea"}}}));
        prompts->messages.clear();

        bool lockedAtCompletion = false;
        int progressAtCompletion = -1;
        prompts->onMessage = [&](const QString&) {
            lockedAtCompletion = !control<QWidget>("Frame1")->isEnabled() && !control<QWidget>("Frame2")->isEnabled() &&
                                 !window->menuBar()->isEnabled() && !action("scan")->isEnabled() &&
                                 button("CancelExport")->isEnabled();
            progressAtCompletion = control<QProgressBar>("ProgressBar1")->value();
        };
        prompts->folderAnswers.enqueue(out);
        window->cal_2();

        QCOMPARE(prompts->folderPrompts, QStringList{"Please select a Server folder."});
        QCOMPARE(prompts->messageTexts(), QStringList{"Conversion Process Completed"});
        QVERIFY(lockedAtCompletion);
        QCOMPARE(progressAtCompletion, 2);
        QVERIFY(QFileInfo::exists(QDir(out).filePath("Qalder_Notes_Contact.csv")));
        QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
        QVERIFY(control<QWidget>("Frame1")->isEnabled() && control<QWidget>("Frame2")->isEnabled());
        QVERIFY(window->menuBar()->isEnabled() && action("scan")->isEnabled());
        QVERIFY(!button("CancelExport")->isEnabled());
        QVERIFY(!window->isExporting());
    }

    // The completion says how many contacts went where, names the files, gives the
    // run's summary as details, and offers to open the folder.
    void completionSaysWhatWasWrittenWhereAndOpensTheFolder() {
        QList<Contact> contacts;
        for (const char* name : {"Ann", "Bea", "Cy", "Dee", "Eve"}) contacts.append(Contact{{"FirstName", name}});
        scan(book("five.dxl", contacts));
        const struct {
            const char* action;
            bool openFolder;
            const char* files;
        } cases[] = {
            {"savecsv", true, "File: Qalder_Notes_Contact.csv"},
            {"savetxt", false, "5 files: Ann_1.txt, Bea_2.txt, Cy_3.txt and 2 more."},
        };
        for (const auto& c : cases) {
            const QString out = dir->filePath(c.action);
            QVERIFY(QDir().mkpath(out));
            prompts->notices.clear();
            prompts->openedUrls.clear();
            prompts->folderAnswers.enqueue(out);
            prompts->actionAnswers.enqueue(c.openFolder);
            action(c.action)->trigger();
            QCOMPARE(prompts->notices.size(), 1);
            const Notice& done = prompts->notices[0];
            QCOMPARE(done.text, QStringLiteral("Conversion Process Completed"));
            QCOMPARE(done.icon, MessageIcon::Information);
            QCOMPARE(done.informative, "5 contacts were written to \"" + out + "\".\r\n" + c.files);
            QCOMPARE(done.details, QStringLiteral("Contacts written: 5\nContacts skipped: 0"));
            QCOMPARE(done.actionButton, QStringLiteral("Open Folder"));
            QCOMPARE(prompts->openedUrls, c.openFolder ? QList<QUrl>{QUrl::fromLocalFile(out)} : QList<QUrl>{});
        }
    }

    // Cancel (the button, Esc, the dialog's Cancel) stops at the next contact: the files
    // complete by then stay, the one in progress goes, earlier files are untouched.
    void cancelStopsTheExportAndKeepsEarlierFiles() {
        QList<Contact> contacts;
        for (const char* name : {"Ann", "Bea", "Cy", "Dee"}) contacts.append(Contact{{"FirstName", name}});
        scan(book("four.dxl", contacts));
        const struct {
            const char* format;
            const char* how;
            QStringList files;
            const char* message;
        } cases[] = {
            {"savetxt", "button", {"Ann_1.txt", "Bea_2.txt", "Qalder_Notes_Contact.csv"},
             "Export cancelled: 2 contacts were written."},
            {"savecsv", "escape", {"Qalder_Notes_Contact.csv"}, "Export cancelled: 0 contacts were written."},
            {"cal_5", "dialog", {"Ann_1.txt", "Bea_2.txt", "Qalder_Notes_Contact.csv"},
             "Export cancelled: 2 contacts were written."},
        };
        for (const auto& c : cases) {
            const QString out = dir->filePath(c.how);
            QVERIFY(QDir().mkpath(out));
            QFile earlier(QDir(out).filePath("Qalder_Notes_Contact.csv"));
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
            earlier.close();
            prompts->messages.clear();
            prompts->folderAnswers.enqueue(out);
            auto* bar = control<QProgressBar>("ProgressBar1");
            const QString how = QString::fromLatin1(c.how);
            auto stop = connect(bar, &QProgressBar::valueChanged, window.get(), [&, how](int value) {
                if (value != 2) return;
                if (how == "button") QTest::mouseClick(button("CancelExport"), Qt::LeftButton);
                else if (how == "escape") QTest::keyClick(window.get(), Qt::Key_Escape);
                else QTest::mouseClick(control<QPushButton>("CancelButton"), Qt::LeftButton);
            });
            if (how == "dialog") {
                QTimer::singleShot(0, [&] {
                    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
                    dialog->findChild<QRadioButton*>(QStringLiteral("Option1_4"))->setChecked(true);
                    dialog->OKButton_Click();
                });
                window->SaveC_Click();
            } else {
                action(c.format)->trigger();
            }
            disconnect(stop);
            QCOMPARE(prompts->messages.size(), 1);
            QVERIFY2(prompts->messages[0].text.startsWith(QString::fromLatin1(c.message)),
                     qPrintable(prompts->messages[0].text));
            QCOMPARE(prompts->notices.last().icon, MessageIcon::Warning);
            QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), c.files);
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier"));
            earlier.close();
            QVERIFY(!window->isExporting() && !button("CancelExport")->isEnabled());
        }
    }

    // A failed export says where it stopped, why, and what became of the files; a PST
    // export of a book that cannot be read fails as the others do and leaves no store.
    void exportFailureSaysWhereItStoppedAndWhatWasKept() {
        const QString out = dir->filePath("out");
        QVERIFY(QDir().mkpath(out));
        QFile earlier(QDir(out).filePath("Qalder_Notes_Contact.csv"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        const QString path = dir->filePath("broken.dxl");
        QFile broken(path);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<?xml version='1.0'?>\n<database xmlns='http://www.lotus.com/dxl'>\n"
                     "<document form='Person'><item name='FirstName'><text>Ann</text></item></document>\n"
                     "<document form='Person'><item name='FirstName'><text>x</txt></item></document>\n"
                     "</database>\n");
        broken.close();
        files()->setText(path);
        window->Command3_Click();
        waitForScan();
        prompts->messages.clear();

        prompts->folderAnswers.enqueue(out);
        window->savecsv_Click();
        QCOMPARE(prompts->messages.size(), 1);
        const QString csvFailure = prompts->messages[0].text;
        QVERIFY2(csvFailure.startsWith("The export stopped at contact 2 of 2.\r\n\r\n"), qPrintable(csvFailure));
        QVERIFY2(csvFailure.contains(path) && csvFailure.contains("mismatched tag"), qPrintable(csvFailure));
        QVERIFY2(csvFailure.endsWith("Qalder_Notes_Contact.csv was not written; every file in \"" + out +
                                     "\" is kept as it was."),
                 qPrintable(csvFailure));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        earlier.close();

        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("<?xml version='1.0'?>\n<database xmlns='http://www.lotus.com/dxl'>\n"
                     "<document form='Person'><item name='FirstName'><text>x</txt></item></document>\n"
                     "</database>\n");
        broken.close();
        prompts->messages.clear();
        prompts->folderAnswers.enqueue(out);
        window->savepst_Click();
        QCOMPARE(prompts->messages.size(), 1);
        const QString pstFailure = prompts->messages[0].text;
        QVERIFY2(pstFailure.startsWith("The export stopped before any contact was exported.\r\n\r\n"),
                 qPrintable(pstFailure));
        QVERIFY2(pstFailure.contains(".pst was not written"), qPrintable(pstFailure));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"Qalder_Notes_Contact.csv"});
        QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    }

    void importerFormatsFollowTheFiveBelowASeparatorAndRunTheSameExport() {
        QStringList items;
        for (QAction* item : control<QMenu>("saveas")->actions())
            if (!item->objectName().startsWith("Scope"))
                items.append(item->isSeparator() ? QStringLiteral("-") : item->objectName() + "=" + item->text().remove('&'));
        // Which contacts, then the five of the save format dialog, a line and every other
        // format of the table.
        QStringList expected{"-", "-", "savepst=Save As PST", "savecsv=Save As CSV", "savevcard=Save As vCard",
                             "savehtml=Save As HTML", "savetxt=Save As TXT", "-"};
        struct Importer {
            QByteArray action;
            QString file;
        };
        QList<Importer> formats;
        const auto text = [](std::string_view view) { return QString::fromUtf8(view.data(), qsizetype(view.size())); };
        for (const exporting::OutputFormat& format : exporting::outputFormats()) {
            if (format.offeredByDialog()) continue;
            expected.append(text(format.menuItem) + "=" + text(format.menuCaption));
            formats.append({text(format.menuItem).toUtf8(), text(format.files)});
        }
        QCOMPARE(items, expected);
        QVERIFY(formats.size() >= 4); // vCard 3.0 and 4.0, LDIF, Outlook CSV, and any added since

        scan(book("one.dxl", {{{"FirstName", "Ann"}, {"MailAddress", "ann@example.com"}}}));
        for (const Importer& format : formats) {
            const QString out = dir->filePath(QString::fromUtf8(format.action));
            QVERIFY(QDir().mkpath(out));
            prompts->messages.clear();
            prompts->folderPrompts.clear();
            prompts->folderAnswers.enqueue(out);
            action(format.action.constData())->trigger();
            QCOMPARE(prompts->folderPrompts, QStringList{"Please select a Server folder."});
            QCOMPARE(prompts->messageTexts(), QStringList{"Conversion Process Completed"});
            QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{format.file});
            QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
        }
    }

    void exportWithoutABookOrFolderChangesNothing() {
        window->savetxt_Click();
        QCOMPARE(prompts->messageTexts(), QStringList{kFileNotSelected});
        QVERIFY(prompts->folderPrompts.isEmpty());

        // A book named but not scanned: it is to be scanned first.
        prompts->messages.clear();
        files()->setText(book("one.dxl", {{{"FirstName", "Ann"}}}));
        action("savecsv")->setEnabled(true);
        action("savecsv")->trigger();
        QVERIFY(prompts->folderPrompts.isEmpty());
        QCOMPARE(prompts->messages.size(), 1);
        QVERIFY2(prompts->messages[0].text.startsWith("The list shows no address book. Scan "), qPrintable(prompts->messages[0].text));

        // Scanned, with no folder chosen: nothing written, the window unlocked.
        scan(files()->text());
        action("savecsv")->trigger();
        QCOMPARE(prompts->folderPrompts.size(), 1);
        QVERIFY(window->centralWidget()->isEnabled());
    }

    // A close request during an export asks whether to cancel it: No lets it finish and
    // the window stays; Yes stops it at the next contact and then closes the window.
    void closingDuringAnExportAsksWhetherToCancelIt() {
        QList<Contact> contacts(4, Contact{{"FirstName", "Ann"}});
        scan(book("four.dxl", contacts));
        for (const bool yes : {false, true}) {
            const QString out = dir->filePath(yes ? "yes" : "no");
            QVERIFY(QDir().mkpath(out));
            prompts->messages.clear();
            prompts->questions.clear();
            prompts->folderAnswers.enqueue(out);
            auto ask = connect(control<QProgressBar>("ProgressBar1"), &QProgressBar::valueChanged, window.get(),
                               [&](int value) {
                                   if (value != 1) return;
                                   prompts->yesNoAnswers.enqueue(yes);
                                   QVERIFY(!window->close());
                               });
            window->cal_5();
            disconnect(ask);
            QCOMPARE(prompts->questions.size(), 1);
            QCOMPARE(prompts->questions[0].text, QStringLiteral("An export is running. Cancel it and exit?"));
            QCOMPARE(prompts->messages.size(), 1);
            QCOMPARE(prompts->messages[0].text.startsWith("Export cancelled: 1 contact was written."), yes);
            QCOMPARE(QDir(out).entryList(QDir::Files).size(), yes ? 1 : 4);
        }
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(prompts->questions.size(), 1); // no second exit question
    }

    void saveDialogIsKeptAfterConvertAndMadeAfreshAfterCancel() {
        scan(book("one.dxl", {{{"FirstName", "Ann"}}}));
        QList<QPointer<Dialog>> shown;
        QList<int> choiceOnShow;
        QList<quintptr> addresses;
        // Runs inside the dialog's modal loop: note it, then press what the step needs.
        auto next = [&](std::function<void(Dialog*)> press) {
            QTimer::singleShot(0, [&, press] {
                auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
                shown.append(dialog);
                addresses.append(quintptr(dialog));
                choiceOnShow.append(dialog ? dialog->chosenForm() : -2);
                if (dialog) press(dialog);
            });
        };

        next([](Dialog* dialog) {
            dialog->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->setChecked(true);
            dialog->OKButton_Click(); // CSV; the folder picker is cancelled
        });
        window->SaveC_Click();
        next([](Dialog* dialog) { dialog->CancelButton_Click(); });
        window->SaveC_Click();
        QTRY_VERIFY(!shown[1]);
        next([](Dialog* dialog) { dialog->CancelButton_Click(); });
        window->SaveC_Click();

        QCOMPARE(shown.size(), 3);
        QCOMPARE(prompts->folderPrompts.size(), 1);
        QCOMPARE(choiceOnShow, (QList<int>{-1, 1, -1}));
        QCOMPARE(addresses[0], addresses[1]);
    }

    void exitDiscardsAHiddenSaveDialog() {
        scan(book("one.dxl", {{{"FirstName", "Ann"}}}));
        QPointer<Dialog> dialog;
        QTimer::singleShot(0, [&] {
            dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            dialog->findChild<QRadioButton*>(QStringLiteral("Option1_4"))->setChecked(true);
            dialog->OKButton_Click();
        });
        window->SaveC_Click();
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        prompts->yesNoAnswers.enqueue(true);
        QVERIFY(window->close());
        QVERIFY(!dialog);
    }

    void aboutBoxIsMadeForEachShowing() {
        QList<QPointer<QDialog>> shown;
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                shown.append(box);
                if (box) box->accept();
            });
            action("about")->trigger();
        }
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0].isNull() && shown[1].isNull());
        QVERIFY(prompts->messages.isEmpty());
    }

    // Under a German locale the window shows the German translation; English is the
    // language of the program's own texts and needs none.
    void germanLocaleShowsGermanCaptions() {
        QVERIFY(!programTranslation(QLocale(QLocale::English, QLocale::UnitedStates)));
        const std::unique_ptr<QTranslator> german = programTranslation(QLocale(QLocale::German, QLocale::Austria));
        QVERIFY(german);
        QVERIFY(QCoreApplication::installTranslator(german.get()));
        window = std::make_unique<Velmar>(*prompts);
        // The messages of the layers below the window too.
        translateLayerTexts();
        QString unreadable;
        try {
            brenmoor::notes::AddressBook book(dir->filePath("missing.dxl").toStdString());
        } catch (const brenmoor::notes::NotesError& error) {
            unreadable = QString::fromUtf8(error.what());
        }
        const std::string groupType = brenmoor::contact::groupTypeName(brenmoor::contact::GroupType::AccessControl);
        // Documents that are no contacts go by a count of one or many.
        brenmoor::notes::OtherDocuments others;
        others.addForm("Group");
        others.addForm("Memo", 2);
        const std::string othersText = brenmoor::exporting::otherDocumentsCountText(others);
        QCoreApplication::removeTranslator(german.get());
        QCOMPARE(QString::fromStdString(othersText), QStringLiteral("1 Dokument der Maske Group, 2 Dokumente der Maske Memo"));
        QCOMPARE(brenmoor::exporting::otherDocumentsCountText(others), "1 Group document, 2 Memo documents");
        QCOMPARE(QString::fromStdString(groupType), QStringLiteral("nur Zugriffskontrolle"));
        QVERIFY2(unreadable.startsWith(QStringLiteral("Das Adressbuch")), qPrintable(unreadable));
        QCOMPARE(button("Command2")->text().remove('&'), QStringLiteral("Durchsuchen"));
        QCOMPARE(button("CancelExport")->text().remove('&'), QStringLiteral("Abbrechen"));
        QCOMPARE(control<QGroupBox>("Frame2")->title(), QStringLiteral("Kontaktliste"));
        QCOMPARE(action("savecsv")->text().remove('&'), QStringLiteral("Als CSV speichern"));
        QCOMPARE(control<QTabWidget>("SSTab1")->tabText(0), QString::fromUtf8("Geschäftlich"));
        QCOMPARE(control<QLineEdit>("First")->accessibleName(), QStringLiteral("Vorname"));
    }

    // In German, on a 1366 x 768 screen, every caption of the window and the save dialog
    // is shown whole, the placeholder of the filter too. BRENMOOR_SCREENSHOTS=folder
    // keeps pictures of both to look at.
    void germanTextsFitAt1366x768() {
        const std::unique_ptr<QTranslator> german = programTranslation(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(german && QCoreApplication::installTranslator(german.get()));
        window = std::make_unique<Velmar>(*prompts);
        window->resize(1366 - 16, 768 - 48);
        window->show();
        scan(QStringLiteral(BRENMOOR_TEST_DATA "/../../samples/names.dxl"));
        window->TreeView1_NodeClick(node(0));
        Dialog dialog(*prompts, [](int) {}, window.get());
        dialog.setScopes({25, 7, 3, true}, SaveScope::Selected);
        dialog.show();
        QCoreApplication::removeTranslator(german.get());
        QVERIFY(dialog.height() <= 768 - 48);
        const auto cut = [](QWidget* top) {
            QStringList cut;
            for (QWidget* w : top->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(top)) continue;
                QString text;
                int room = w->contentsRect().width();
                if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) text = label->text();
                if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                    text = button->text();
                    room -= button->icon().isNull() && !qobject_cast<QRadioButton*>(w) ? 8 : 24;
                }
                if (auto* line = qobject_cast<QLineEdit*>(w); line && line->text().isEmpty()) {
                    text = line->placeholderText();
                    room -= 28; // the frame, the margins and the clear button
                }
                text.remove('&');
                if (!text.isEmpty() && !text.contains('\n') && w->fontMetrics().horizontalAdvance(text) > room)
                    cut << w->objectName() + ": " + text;
            }
            return cut;
        };
        const QString shots = qEnvironmentVariable("BRENMOOR_SCREENSHOTS");
        if (!shots.isEmpty()) {
            window->grab().save(shots + "/window-de.png");
            dialog.grab().save(shots + "/save-dialog-de.png");
        }
        QCOMPARE(cut(window.get()), QStringList());
        QCOMPARE(cut(&dialog), QStringList());
    }

    void helpOpensTheManualOnlyWhereItExists() {
        window->setHelpFile(dir->filePath("orvelline.html"));
        window->content_Click();
        QVERIFY(prompts->openedUrls.isEmpty());
        QVERIFY(prompts->messages.isEmpty());

        QFile manual(dir->filePath("orvelline.html"));
        QVERIFY(manual.open(QIODevice::WriteOnly));
        manual.write("<html></html>");
        manual.close();
        action("content")->trigger();
        QCOMPARE(prompts->openedUrls, QList<QUrl>{QUrl::fromLocalFile(dir->filePath("orvelline.html"))});
        // F1 does the same.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F1);
        QCOMPARE(prompts->openedUrls.size(), 2);
    }
};

QTEST_MAIN(VelmarTest)
#include "velmar_test.moc"
