// The save format dialog's controls, laid out in twips as the form was designed (15 twips
// to a pixel), over the background picture, and its two commands.
#include "app/save_dialog.h"

#include "app/artwork.h"
#include "app/prompts.h"
#include "app/twips.h"
#include "export/output_formats.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHideEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <vector>

namespace brenmoor::app {
namespace {

// The forms' rows: the first at 3240 twips from the top, each 480 twips below the last.
constexpr int kFirstRowTop = 3240;
constexpr int kRowStep = 480;

QString captionOf(const exporting::OutputFormat& format)
{
    return QCoreApplication::translate("brenmoor::exporting", std::string(format.dialogCaption).c_str());
}

// The dialog's font, made smaller where needed so that every row's text fits its label.
QFont fittingFont(QFont font, int width)
{
    auto widest = [](const QFont& f) {
        const QFontMetrics metrics(f);
        int result = 0;
        for (const exporting::OutputFormat* format : exporting::dialogFormats())
            result = std::max(result, metrics.horizontalAdvance(captionOf(*format)));
        return result;
    };
    for (int step = 0; step < 20 && widest(font) > width; ++step) {
        if (font.pixelSize() > 0)
            font.setPixelSize(font.pixelSize() - 1);
        else
            font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    return font;
}

} // namespace

Dialog::Dialog(Prompts& prompts, std::function<void(int form)> command, QWidget* parent)
    : QDialog(parent), prompts_(prompts), command_(std::move(command)),
      background_(saveDialogPicture()), options_(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(tr("Save NSF Contacts As"));
    setWindowIcon(programIcon());
    setFixedSize(fromTwips(0, 0, 6030, 6630).size());

    auto* convert = new QPushButton(tr("Convert"), this);
    convert->setObjectName(QStringLiteral("OKButton"));
    convert->setGeometry(fromTwips(1080, 6000, 1335, 375));
    convert->setDefault(true);
    connect(convert, &QPushButton::clicked, this, &Dialog::OKButton_Click);

    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(fromTwips(3000, 6000, 1215, 375));
    connect(cancel, &QPushButton::clicked, this, &Dialog::CancelButton_Click);

    // One exclusive group that starts with nothing chosen; a click on a row's text
    // chooses it as a click on the option does.
    options_->setExclusive(true);
    // The choices sit on the picture's white panel, so they take its colours rather than
    // the desktop's, which might be dark.
    QPalette onPanel = palette();
    onPanel.setColor(QPalette::Base, QColor::fromRgb(kPanelColour));
    onPanel.setColor(QPalette::Window, QColor::fromRgb(kPanelColour));
    onPanel.setColor(QPalette::WindowText, QColor::fromRgb(kPanelInkColour));
    onPanel.setColor(QPalette::Text, QColor::fromRgb(kPanelInkColour));
    const QRect labelArea = fromTwips(840, 0, 4575, 375);
    const QFont labelFont = fittingFont(font(), labelArea.width() - 2);
    QWidget* previous = cancel;
    setTabOrder(convert, cancel);
    const std::vector<const exporting::OutputFormat*> forms = exporting::dialogFormats();
    for (int i = 0; i < int(forms.size()); ++i) {
        const int top = kFirstRowTop + kRowStep * i;
        const QString caption = captionOf(*forms[i]);
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setGeometry(fromTwips(480, top, 255, 255));
        option->setAutoFillBackground(true);
        option->setBackgroundRole(QPalette::Base);
        option->setPalette(onPanel);
        option->setAccessibleName(caption);
        options_->addButton(option, i);
        setTabOrder(previous, option);
        previous = option;

        auto* label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setGeometry(fromTwips(840, top, 4575, 375));
        label->setTextFormat(Qt::PlainText);
        label->setFont(labelFont);
        label->setPalette(onPanel);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setContentsMargins(0, 1, 0, 0);  // its first line level with the option's circle
        label->setBuddy(option);
        label->installEventFilter(this);
    }
    convert->setFocus();
}

int Dialog::chosenForm() const
{
    return options_->checkedId();
}

void Dialog::OKButton_Click()
{
    const int chosen = chosenForm();
    if (chosen < 0) {
        prompts_.message(this, QGuiApplication::applicationDisplayName(),
                         tr("Please choose contact saving type"));
        return;
    }
    // The export runs with the dialog still up; it is hidden once the command returns,
    // however the command ended.
    QPointer<Dialog> self(this);
    if (command_)
        command_(chosen);
    if (!self || unloading_)
        return;
    setResult(QDialog::Accepted);
    hide();
}

void Dialog::setExportRunning(bool running, std::function<void()> stop)
{
    stopExport_ = running ? std::move(stop) : std::function<void()>();
    for (QAbstractButton* option : options_->buttons())
        option->setEnabled(!running);
    findChild<QPushButton*>(QStringLiteral("OKButton"))->setEnabled(!running);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* label = qobject_cast<QLabel*>(watched);
        auto* option = label ? qobject_cast<QAbstractButton*>(label->buddy()) : nullptr;
        if (option && option->isEnabled() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            option->setChecked(true);
            option->setFocus(Qt::MouseFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog::CancelButton_Click()
{
    if (stopExport_)
        return stopExport_();
    unload();
}

void Dialog::reject()
{
    if (stopExport_)
        return stopExport_();
    unload();
}

void Dialog::closeEvent(QCloseEvent* event)
{
    if (stopExport_) {
        event->ignore();
        return stopExport_();
    }
    event->accept();
    unload();
}

void Dialog::hideEvent(QHideEvent* event)
{
    placement_ = pos();
    QDialog::hideEvent(event);
}

void Dialog::setVisible(bool visible)
{
    // Left to itself a dialog shown again is centred anew, and some window managers put it
    // a title bar lower each time: it goes back to where the user last saw it.
    if (visible && placement_ && !isVisible())
        move(*placement_);
    QDialog::setVisible(visible);
}

void Dialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

void Dialog::unload()
{
    if (unloading_)
        return;
    unloading_ = true;
    emit unloaded();
    setResult(QDialog::Rejected);
    hide();
    deleteLater();
}

} // namespace brenmoor::app
