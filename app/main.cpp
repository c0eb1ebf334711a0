// The brenmoor program: the application object and the main window.
#include <QApplication>

#include "app/artwork.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "app/velmar.h"

int main(int argc, char* argv[]) {
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
