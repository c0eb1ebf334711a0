// The shipped files as a program in the build tree finds them: the manual copied beside
// the programs at build time, and the source tree's sample address books.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "app/program_files.h"

class ProgramFilesTest : public QObject {
    Q_OBJECT
private slots:
    void buildTreeFindsTheManualBesideTheProgramAndTheSourceSamples() {
        const QString manual = brenmoor::app::helpFilePath();
        QCOMPARE(QFileInfo(manual).fileName(), QStringLiteral("orvelline.html"));
        QCOMPARE(QFileInfo(manual).absolutePath(), QDir(QCoreApplication::applicationDirPath()).absolutePath());
        QVERIFY2(QFileInfo::exists(manual), qPrintable(manual));

        const QString samples = brenmoor::app::samplesFolder();
        QVERIFY2(QFileInfo::exists(QDir(samples).filePath(QStringLiteral("names.dxl"))), qPrintable(samples));
    }
};

QTEST_GUILESS_MAIN(ProgramFilesTest)
#include "program_files_test.moc"
