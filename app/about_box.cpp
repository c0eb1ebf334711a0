// The about box's two controls, laid out in twips (15 to a pixel) over its picture: the
// OK button and an invisible click area lying over the web address the picture shows.
#include "app/about_box.h"

#include "app/artwork.h"
#include "app/prompts.h"
#include "app/twips.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

namespace brenmoor::app {
namespace {

// A label without text that reports a click: pressed and released inside it.
class ClickArea : public QLabel {
public:
    ClickArea(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton;
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (click)
            onClick_();
    }

private:
    std::function<void()> onClick_;
    bool pressed_ = false;
};

} // namespace

frmAbout::frmAbout(Prompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts), background_(aboutPicture())
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About %1").arg(QString::fromLatin1(kProductName)));
    setWindowIcon(programIcon());
    setFixedSize(fromTwips(0, 0, 6060, 4710).size());

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(fromTwips(1800, 4200, 1260, 345));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    auto* link = new ClickArea(this, [this] { Label1_Click(); });
    link->setObjectName(QStringLiteral("Label1"));
    link->setGeometry(fromTwips(1080, 3840, 3015, 135));
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(tr("Visit Website"));
    link->setAccessibleName(QString::fromLatin1(kMakerWebsite));
    ok->setFocus();
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::Label1_Click()
{
    prompts_.openUrl(QUrl(QString::fromLatin1(kMakerWebsite)));
}

void frmAbout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

} // namespace brenmoor::app
