// The main window's side of an export: prompts through the window, progress on its bar.
#include "app/window_export_ui.h"

#include <QCoreApplication>
#include <QProgressBar>
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
    return prompts_.chooseFolder(owner_, QString::fromStdString(prompt)).toStdString();
}

void WindowExportUi::showMessage(const std::string& text) {
    prompts_.message(owner_, QStringLiteral("Brenmoor"), QString::fromStdString(text));
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
        // Paint the bar and anything else that waits, but take no input: the run
        // accepts no other command until it ends.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceRepaint_.start();
    }
}

} // namespace brenmoor::app
