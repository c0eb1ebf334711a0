// The brenmoor program: the application object and the main window.
#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QTimer>
#include <malloc.h>

#include "app/artwork.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "app/translation.h"
#include "app/velmar.h"

int main(int argc, char* argv[]) {
    // Blocks of a megabyte or more come from the system and go back to it when freed,
    // so what a huge value of the book took is given back at once.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenmoor"));
    QApplication::setWindowIcon(brenmoor::app::programIcon());
    QApplication::setDesktopFileName(QStringLiteral("brenmoor"));
    QApplication::setOrganizationName(QString::fromLatin1(brenmoor::app::kMakerName));
    // The texts in the language of the system's locale, where the program has it; the
    // standard buttons of Qt's dialogs too.
    const std::unique_ptr<QTranslator> translation = brenmoor::app::programTranslation(QLocale());
    if (translation) QApplication::installTranslator(translation.get());
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    brenmoor::app::translateLayerTexts();

    QSettings settings;
    brenmoor::app::Velmar window(brenmoor::app::qtPrompts());
    window.setHelpFile(brenmoor::app::helpFilePath());
    window.setSamplesFolder(brenmoor::app::samplesFolder());
    window.setSettings(&settings);
    window.show();
    // brenmoor BOOK: the book is opened and scanned once the window is up.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString book = QFileInfo(arguments.at(1)).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, book] { window.openBook(book); });
    }
    return QApplication::exec();
}
