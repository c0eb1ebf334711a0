// The brenmoor program: the application object and the main window.
#include <QApplication>
#include <malloc.h>

#include "app/artwork.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "app/velmar.h"

int main(int argc, char* argv[]) {
    // Blocks of a megabyte or more come from the system and go back to it when freed,
    // so what a huge value of the book took is given back at once.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenmoor"));
    QApplication::setWindowIcon(brenmoor::app::programIcon());
    QApplication::setDesktopFileName(QStringLiteral("brenmoor"));

    brenmoor::app::Velmar window(brenmoor::app::qtPrompts());
    window.setHelpFile(brenmoor::app::helpFilePath());
    window.setSamplesFolder(brenmoor::app::samplesFolder());
    window.show();
    return QApplication::exec();
}
