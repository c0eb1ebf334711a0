// The files shipped with the program and where it finds them: the help file and the
// sample address books, beside the program in a build tree or under share/brenmoor
// once installed.
#pragma once

#include <QString>

namespace brenmoor::app {

// The help file: beside the program, or in the installed data folder. Where neither
// holds it, the path beside the program.
QString helpFilePath();

// The folder of sample address books, or the empty text where none is found.
QString samplesFolder();

} // namespace brenmoor::app
