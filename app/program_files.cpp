// The files shipped with the program: looked up relative to the program's own folder, so
// a build tree and an installed copy both find theirs.
#include "app/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace brenmoor::app {

namespace {

const char* const kHelpFileName = "orvelline.html";

// The installed data folder, as seen from the installed program's folder.
QString installedDataFolder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(BRENMOOR_DATA_FROM_BIN));
}

} // namespace

QString helpFilePath() {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kHelpFileName));
    if (QFileInfo::exists(beside)) return QDir::cleanPath(beside);
    const QString installed = QDir(installedDataFolder()).filePath(QString::fromLatin1(kHelpFileName));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return QDir::cleanPath(beside);
}

QString samplesFolder() {
    const QString candidates[] = {
        QDir(installedDataFolder()).filePath(QStringLiteral("samples")),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("samples")),
        QStringLiteral(BRENMOOR_SOURCE_SAMPLES),
    };
    for (const QString& folder : candidates)
        if (QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
    return {};
}

} // namespace brenmoor::app
