// The main window's side of an export: prompts through the window, progress on its bar.
#include "app/window_export_ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QProgressBar>
#include <QUrl>
#include <limits>

#include "app/prompts.h"

namespace brenmoor::app {

namespace {
// The longest the window goes without repainting during a walk.
constexpr qint64 kRepaintIntervalMs = 50;
} // namespace

WindowExportUi::WindowExportUi(Prompts& prompts, QWidget* owner, QProgressBar& bar, std::function<void()> walkStarts)
    : prompts_(prompts), owner_(owner), bar_(bar), walkStarts_(std::move(walkStarts)) {}

std::string WindowExportUi::browseForFolder(const std::string& prompt) {
    chosenFolder_ = prompts_.chooseFolder(owner_, translated(prompt), startFolder_);
    return chosenFolder_.toStdString();
}

void WindowExportUi::showMessage(const std::string& text) {
    prompts_.message(owner_, QStringLiteral("Brenmoor"), translated(text));
}

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace

// The export library's fixed texts are translated whole; a text it composed (with counts,
// names, reasons) has no translation and shows as it is.
QString WindowExportUi::translated(const std::string& text) {
    return QCoreApplication::translate("brenmoor::exporting", text.c_str());
}

void WindowExportUi::showCompletion(const std::string& text, const exporting::RunSummary& summary) {
    const QString folder = QDir::toNativeSeparators(fromUtf8(summary.folder));
    QString written = summary.contactsWritten == 1
                          ? tr("1 contact was written to \"%1\"").arg(folder)
                          : tr("%1 contacts were written to \"%2\"").arg(summary.contactsWritten).arg(folder);
    QStringList names;
    for (const std::string& name : summary.firstFiles) names << fromUtf8(name);
    QString files;
    if (summary.fileCount == 0)
        files = tr("No file was written.");
    else if (summary.fileCount <= std::int64_t(names.size()))
        files = (summary.fileCount == 1 ? tr("File: %1") : tr("Files: %1")).arg(names.join(QStringLiteral(", ")));
    else
        files = tr("%1 files: %2 and %3 more.")
                    .arg(summary.fileCount)
                    .arg(names.join(QStringLiteral(", ")))
                    .arg(summary.fileCount - names.size());

    QString details = tr("Contacts written: %1").arg(summary.contactsWritten) + QStringLiteral("\n") +
                      tr("Contacts skipped: %1").arg(summary.contactsSkipped);
    if (!summary.account.empty()) details += QStringLiteral("\n\n") + fromUtf8(summary.account);
    // What the run did not write, beyond the counts above.
    if (const std::string notWritten = exporting::notWrittenText(summary); !notWritten.empty())
        details += QStringLiteral("\n\n") + fromUtf8(notWritten);

    Notice notice;
    notice.title = QStringLiteral("Brenmoor");
    // The run's text: "Conversion Process Completed", and what was skipped, if anything.
    notice.text = translated(text);
    notice.informative = written + QStringLiteral(".\r\n") + files;
    notice.details = details;
    notice.icon = summary.contactsSkipped > 0 ? MessageIcon::Warning : MessageIcon::Information;
    notice.actionButton = tr("Open Folder");
    if (prompts_.notify(owner_, notice)) prompts_.openUrl(QUrl::fromLocalFile(fromUtf8(summary.folder)));
}

exporting::ExistingFiles WindowExportUi::existingFiles(const std::string& path) {
    const QString file = QDir::toNativeSeparators(fromUtf8(path));
    const int answer = prompts_.choose(
        owner_, QStringLiteral("Brenmoor"),
        tr("\"%1\" is in the folder already, and maybe more pages of contacts of an earlier export.\r\n\r\n"
           "Replace them with the new pages, or keep them and give the new pages names of their own?")
            .arg(file),
        {tr("&Replace"), tr("&Keep Both"), tr("Cancel")});
    if (answer == 0) return exporting::ExistingFiles::Replace;
    if (answer == 1) return exporting::ExistingFiles::KeepBoth;
    return exporting::ExistingFiles::Cancel;
}

void WindowExportUi::showFailure(const std::string& text) {
    Notice notice;
    notice.title = QStringLiteral("Brenmoor");
    notice.text = translated(text);
    notice.icon = MessageIcon::Warning;
    prompts_.notify(owner_, notice);
}

int WindowExportUi::onBar(std::int64_t value) const {
    return static_cast<int>(value / divisor_);
}

void WindowExportUi::setProgressRange(std::int64_t minimum, std::int64_t maximum) {
    if (walkStarts_) {
        auto started = std::move(walkStarts_);
        walkStarts_ = nullptr;
        started();
    }
    constexpr std::int64_t barMax = std::numeric_limits<int>::max();
    divisor_ = maximum > barMax ? maximum / barMax + 1 : 1;
    // A bar whose range is 0 to 0 would run a busy animation for an empty book; an
    // empty bar says the same without moving.
    if (maximum <= minimum)
        bar_.setRange(0, 1);
    else
        bar_.setRange(onBar(minimum), onBar(maximum));
    bar_.setValue(bar_.minimum());
    sinceRepaint_.invalidate();
}

void WindowExportUi::setProgressValue(std::int64_t value) {
    bar_.setValue(onBar(value));
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= kRepaintIntervalMs) {
        // Paint the bar and take the user's input: every command but Cancel is
        // locked while the run lasts, and a close request asks whether to cancel.
        QCoreApplication::processEvents();
        sinceRepaint_.start();
    }
}

} // namespace brenmoor::app
