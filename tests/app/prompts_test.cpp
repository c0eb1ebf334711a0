// The real open-file dialog as Browse sets it up: each filter shows its caption as given,
// and "All files (*.*)" shows every file, names without a dot included.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

#include "app/prompts.h"

class PromptsTest : public QObject {
    Q_OBJECT

private slots:
    void allFilesShowsEveryFileUnderItsCaption()
    {
        QTemporaryDir dir;
        for (const char* name : {"names", "book.dxl", "old.nsf"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFileDialog dialog(nullptr, QString(), dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const QStringList filters{QStringLiteral("Notes address book export (*.dxl *.xml)"),
                                  QStringLiteral("Select Lotus Notes(names.nsf) (*.nsf)"),
                                  QStringLiteral("All files (*.*)")};
        brenmoor::app::setFileFilters(dialog, filters);

        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(combo);
        QStringList captions;
        for (int i = 0; i < combo->count(); ++i)
            captions << combo->itemText(i);
        QCOMPARE(captions, filters);

        auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(list);
        const auto shown = [list] {
            QStringList names;
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                names << list->model()->index(row, 0, list->rootIndex()).data().toString();
            names.sort();
            return names;
        };
        dialog.show();
        QTRY_COMPARE(shown(), QStringList{QStringLiteral("book.dxl")});
        dialog.selectNameFilter(dialog.nameFilters().at(2));
        QCOMPARE(combo->currentText(), QStringLiteral("All files (*.*)"));
        QTRY_COMPARE(shown(), (QStringList{QStringLiteral("book.dxl"), QStringLiteral("names"), QStringLiteral("old.nsf")}));
        dialog.selectNameFilter(dialog.nameFilters().at(1));
        QTRY_COMPARE(shown(), QStringList{QStringLiteral("old.nsf")});
    }
};

QTEST_MAIN(PromptsTest)
#include "prompts_test.moc"
