// The save format dialog's controls, laid out over its background picture on two white
// panels (which contacts, which form), and its two commands.
#include "app/save_dialog.h"

#include "app/artwork.h"
#include "app/prompts.h"
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
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <vector>

namespace brenmoor::app {
namespace {

constexpr int kWidth = 402;
constexpr int kPanelInset = 16; // the panels' margin from the dialog's edges
constexpr int kOptionIndent = 24; // a form's text from its option's left edge

QString captionOf(const exporting::OutputFormat& format)
{
    const auto translated = [](std::string_view text) {
        return QCoreApplication::translate("brenmoor::exporting", std::string(text).c_str());
    };
    if (format.offeredByDialog())
        return translated(format.dialogCaption);
    return Dialog::tr("Save as %1").arg(translated(format.menuCaption));
}

// A heading over a panel's choices, as the picture's headings were drawn.
QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setCapitalization(QFont::AllUppercase);
    label->setFont(font);
    QPalette teal = label->palette();
    teal.setColor(QPalette::WindowText, QColor(0x2c, 0x7a, 0x7b));
    label->setPalette(teal);
    return label;
}

} // namespace

std::vector<const exporting::OutputFormat*> saveDialogFormats()
{
    std::vector<const exporting::OutputFormat*> forms = exporting::dialogFormats();
    for (const exporting::OutputFormat& format : exporting::outputFormats())
        if (!format.offeredByDialog())
            forms.push_back(&format);
    return forms;
}

Dialog::Dialog(Prompts& prompts, std::function<void(int form)> command, QWidget* parent)
    : QDialog(parent), prompts_(prompts), command_(std::move(command)),
      options_(new QButtonGroup(this)), scopes_(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(tr("Save NSF Contacts As"));
    setWindowIcon(programIcon());

    // The choices sit on white panels, so they take the panels' colours rather than the
    // desktop's, which might be dark.
    QPalette onPanel = palette();
    onPanel.setColor(QPalette::Base, QColor::fromRgb(kPanelColour));
    onPanel.setColor(QPalette::Window, QColor::fromRgb(kPanelColour));
    onPanel.setColor(QPalette::WindowText, QColor::fromRgb(kPanelInkColour));
    onPanel.setColor(QPalette::Text, QColor::fromRgb(kPanelInkColour));
    onPanel.setColor(QPalette::ButtonText, QColor::fromRgb(kPanelInkColour));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPanelInset, kSaveDialogStripHeight + 8, kPanelInset, 12);
    column->setSpacing(10);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("SaveSummary"));
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    column->addWidget(summary_);

    const auto panel = [&](const QString& name) {
        auto* frame = new QWidget(this);
        frame->setObjectName(name);
        frame->setPalette(onPanel);
        auto* rows = new QVBoxLayout(frame);
        rows->setContentsMargins(14, 8, 14, 10);
        rows->setSpacing(4);
        column->addWidget(frame);
        panels_.append(frame);
        return rows;
    };

    // Which contacts: a choice with its count each.
    QVBoxLayout* which = panel(QStringLiteral("ScopePanel"));
    which->addWidget(heading(tr("Contacts to save"), this));
    const std::pair<SaveScope, const char*> scopes[] = {
        {SaveScope::All, "ScopeAll"}, {SaveScope::Selected, "ScopeSelected"}, {SaveScope::Shown, "ScopeShown"}};
    for (const auto& [scope, name] : scopes) {
        auto* option = new QRadioButton(this);
        option->setObjectName(QString::fromLatin1(name));
        option->setPalette(onPanel);
        scopes_->addButton(option, int(scope));
        which->addWidget(option);
    }
    connect(scopes_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            showSummary();
    });

    // Which form: the five, then the files for other programs under their own heading.
    // Each option's text is a label of its own; a click on it chooses the option.
    QVBoxLayout* forms = panel(QStringLiteral("FormPanel"));
    forms->addWidget(heading(tr("Save contacts as"), this));
    options_->setExclusive(true);
    const std::vector<const exporting::OutputFormat*> offered = saveDialogFormats();
    for (int i = 0; i < int(offered.size()); ++i) {
        if (i > 0 && offered[i - 1]->offeredByDialog() && !offered[i]->offeredByDialog()) {
            forms->addSpacing(6);
            forms->addWidget(heading(tr("Files for other programs"), this));
        }
        const QString caption = captionOf(*offered[i]);
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        auto* option = new QRadioButton(this);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setFixedWidth(kOptionIndent);
        option->setPalette(onPanel);
        option->setAccessibleName(caption);
        options_->addButton(option, i);
        auto* label = new QLabel(caption, this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setPalette(onPanel);
        label->setBuddy(option);
        label->installEventFilter(this);
        row->addWidget(option);
        row->addWidget(label, 1);
        forms->addLayout(row);
    }

    auto* buttons = new QHBoxLayout;
    auto* convert = new QPushButton(tr("&Convert"), this);
    convert->setObjectName(QStringLiteral("OKButton"));
    convert->setDefault(true);
    connect(convert, &QPushButton::clicked, this, &Dialog::OKButton_Click);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel, &QPushButton::clicked, this, &Dialog::CancelButton_Click);
    buttons->addStretch(1);
    buttons->addWidget(convert);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    column->addStretch(1);
    column->addLayout(buttons);

    // Tab: the contacts, the forms in their order, Convert, Cancel.
    QList<QWidget*> order;
    for (QAbstractButton* option : scopes_->buttons())
        order.append(option);
    for (QAbstractButton* option : options_->buttons())
        order.append(option);
    order << convert << cancel;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    setScopes({}, SaveScope::All);
    // As wide as the form was designed, wider where a text (a translation) needs it.
    setFixedSize(std::max(kWidth, sizeHint().width()), sizeHint().height());
    background_ = saveDialogPicture(height(), width());
}

void Dialog::setScopes(const ScopeCounts& counts, SaveScope chosen)
{
    counts_ = counts;
    for (QAbstractButton* option : scopes_->buttons()) {
        const auto scope = SaveScope(scopes_->id(option));
        option->setText(scopeChoiceText(scope, counts));
        option->setEnabled(scopeOffered(scope, counts));
    }
    if (!scopeOffered(chosen, counts))
        chosen = SaveScope::All;
    scopes_->button(int(chosen))->setChecked(true);
    showSummary();
}

SaveScope Dialog::chosenScope() const
{
    return scopes_->checkedId() < 0 ? SaveScope::All : SaveScope(scopes_->checkedId());
}

void Dialog::showSummary()
{
    summary_->setText(scopeSummary(chosenScope(), counts_));
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
    for (QAbstractButton* option : scopes_->buttons())
        option->setEnabled(!running && scopeOffered(SaveScope(scopes_->id(option)), counts_));
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
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QWidget* panel : std::as_const(panels_))
        paintPanel(painter, QRectF(panel->geometry()));
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
