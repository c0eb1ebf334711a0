// The program's pictures, painted with QPainter: one palette, one logo (an address card
// with a convert arrow) and one badge style shared by the banner, the two dialogs and the
// icon. Pictures follow the screen's pixel ratio so they stay sharp on dense screens.
#include "app/artwork.h"

#include <QCoreApplication>

#include <algorithm>

#include <QGuiApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace brenmoor::app {
namespace {

// The palette: a deep navy running into teal, with an amber accent.
const QColor kNavy(0x1a, 0x36, 0x5d);
const QColor kBlue(0x2b, 0x6c, 0xb0);
const QColor kTeal(0x2c, 0x7a, 0x7b);
const QColor kAmber(0xf6, 0xad, 0x55);
const QColor kAmberDeep(0xdd, 0x6b, 0x20);
const QColor kInk = QColor::fromRgb(kPanelInkColour);
const QColor kMuted(0x71, 0x80, 0x96);
const QColor kMist(0xcf, 0xe3, 0xf0);

struct Badge {
    const char* text;
    QColor colour;
};

// The output forms, in the order the save dialog lists them: the five of the first row,
// then the files for other programs.
const std::array<Badge, 5> kFormatBadges{{
    {"PST", QColor(0x1e, 0x63, 0xb5)},
    {"CSV", QColor(0x2f, 0x85, 0x5a)},
    {"vCard", QColor(0xc0, 0x39, 0x2b)},
    {"HTML", QColor(0xdd, 0x6b, 0x20)},
    {"TXT", QColor(0x4a, 0x55, 0x68)},
}};
const std::array<Badge, 4> kImporterBadges{{
    {"vCard 3.0", QColor(0x9b, 0x2c, 0x2c)},
    {"vCard 4.0", QColor(0x9b, 0x2c, 0x2c)},
    {"LDIF", QColor(0x55, 0x3c, 0x9a)},
    {"Outlook CSV", QColor(0x2c, 0x52, 0x82)},
}};

qreal screenRatio()
{
    const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->devicePixelRatio() : 1.0;
}

// A transparent pixmap of the given size in device-independent pixels.
QPixmap canvas(int width, int height, qreal ratio = screenRatio())
{
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont uiFont(qreal pixelSize, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QLinearGradient brandGradient(const QRectF& area)
{
    QLinearGradient gradient(area.topLeft(), area.bottomRight());
    gradient.setColorAt(0.0, kNavy);
    gradient.setColorAt(0.65, kBlue.darker(115));
    gradient.setColorAt(1.0, kTeal);
    return gradient;
}

// A brand strip: the gradient, a soft light from the upper right, fine diagonal lines
// and an amber rule along the bottom edge.
void paintBrandStrip(QPainter& painter, const QRectF& area)
{
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, brandGradient(QRectF(area.topLeft(), QSizeF(area.width(), area.height() * 3))));

    QRadialGradient glow(area.right() - area.height(), area.top(), area.height() * 2.2);
    glow.setColorAt(0.0, QColor(255, 255, 255, 60));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.fillRect(area, glow);

    painter.setPen(QPen(QColor(255, 255, 255, 14), 1.0));
    for (qreal x = area.left() - area.height(); x < area.right(); x += 9)
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x + area.height(), area.top()));

    painter.fillRect(QRectF(area.left(), area.bottom() - 3, area.width(), 3), kAmber);
    painter.restore();
}

// The logo inside the square `box`: a rounded tile holding an address card, with an
// amber disc carrying a forward arrow over its lower right corner.
void paintLogo(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / 256.0, box.height() / 256.0);
    painter.setPen(Qt::NoPen);

    const QRectF tile(8, 8, 240, 240);
    QLinearGradient tileFill(tile.topLeft(), tile.bottomRight());
    tileFill.setColorAt(0.0, kBlue);
    tileFill.setColorAt(1.0, kNavy);
    painter.setBrush(tileFill);
    painter.drawRoundedRect(tile, 52, 52);

    // The card, with a faint shadow below it.
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(QRectF(40, 66, 150, 112), 16, 16);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(36, 58, 150, 112), 16, 16);
    painter.setBrush(kTeal);
    painter.drawRoundedRect(QRectF(36, 58, 150, 22), 16, 16);
    painter.drawRect(QRectF(36, 70, 150, 10));

    // The person on the card.
    painter.setBrush(kNavy);
    painter.drawEllipse(QPointF(78, 108), 16, 16);
    QPainterPath shoulders;
    shoulders.moveTo(50, 158);
    shoulders.cubicTo(50, 132, 106, 132, 106, 158);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);

    // The address lines.
    painter.setBrush(QColor(0x90, 0xa4, 0xbe));
    painter.drawRoundedRect(QRectF(118, 98, 52, 9), 4.5, 4.5);
    painter.drawRoundedRect(QRectF(118, 118, 52, 9), 4.5, 4.5);
    painter.drawRoundedRect(QRectF(118, 138, 36, 9), 4.5, 4.5);

    // The convert disc.
    QLinearGradient discFill(QPointF(150, 150), QPointF(226, 226));
    discFill.setColorAt(0.0, kAmber);
    discFill.setColorAt(1.0, kAmberDeep);
    painter.setBrush(QColor(0, 0, 0, 45));
    painter.drawEllipse(QPointF(190, 194), 44, 44);
    painter.setBrush(discFill);
    painter.setPen(QPen(Qt::white, 8));
    painter.drawEllipse(QPointF(188, 188), 44, 44);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    QPainterPath arrow;
    arrow.moveTo(164, 178);
    arrow.lineTo(188, 178);
    arrow.lineTo(188, 162);
    arrow.lineTo(214, 188);
    arrow.lineTo(188, 214);
    arrow.lineTo(188, 198);
    arrow.lineTo(164, 198);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    painter.restore();
}

// A rounded badge naming one output form.
void paintBadge(QPainter& painter, const QRectF& area, const Badge& badge, qreal pixelSize)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawRoundedRect(area.translated(0, 1.5), area.height() / 2, area.height() / 2);
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0.0, badge.colour.lighter(118));
    fill.setColorAt(1.0, badge.colour);
    painter.setBrush(fill);
    painter.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), area.height() / 2, area.height() / 2);
    painter.setPen(Qt::white);
    painter.setFont(uiFont(pixelSize, QFont::Bold));
    painter.drawText(area, Qt::AlignCenter, QString::fromLatin1(badge.text));
    painter.restore();
}

// Every format's badge in two rows of the same width, the five above the four, the
// first starting at `origin`.
void paintBadgeRows(QPainter& painter, QPointF origin, qreal width, qreal height, qreal gap, qreal pixelSize)
{
    const auto row = [&](const auto& badges, QPointF at) {
        const qreal n = qreal(badges.size());
        const QSizeF size((width - gap * (n - 1)) / n, height);
        for (const Badge& badge : badges) {
            paintBadge(painter, QRectF(at, size), badge, pixelSize);
            at.rx() += size.width() + gap;
        }
    };
    row(kFormatBadges, origin);
    row(kImporterBadges, origin + QPointF(0, height + gap / 2 + 2));
}

// The text in one line of area, its font made smaller where a translation runs longer.
void drawText(QPainter& painter, const QRectF& area, const QString& text, QFont font,
              const QColor& colour, int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    while (font.pixelSize() > 7 && QFontMetricsF(font).horizontalAdvance(text) > area.width())
        font.setPixelSize(font.pixelSize() - 1);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(area, flags, text);
}

void paintPageBackground(QPainter& painter, const QRectF& area)
{
    QLinearGradient page(area.topLeft(), area.bottomLeft());
    page.setColorAt(0.0, QColor(0xf7, 0xfa, 0xfc));
    page.setColorAt(1.0, QColor(0xe2, 0xe8, 0xf0));
    painter.fillRect(area, page);
}

QString productName() { return QString::fromLatin1(kProductName); }

} // namespace

void paintPanel(QPainter& painter, const QRectF& area)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = 1; i <= 4; ++i) {
        painter.setBrush(QColor(0x1a, 0x36, 0x5d, 10));
        painter.drawRoundedRect(area.adjusted(-i, -i + 2, i, i + 2), 8 + i, 8 + i);
    }
    painter.setBrush(QColor::fromRgb(kPanelColour));
    painter.setPen(QPen(QColor(0xb8, 0xc4, 0xd4), 1.0));
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.restore();
}

QPixmap bannerPicture(int width)
{
    // Narrower than the full picture, the strip keeps the name and leaves out the badges.
    const bool badges = width >= 904;
    width = std::max(width, 480);
    QPixmap pixmap = canvas(width, 79);
    QPainter painter(&pixmap);
    prepare(painter);
    paintBrandStrip(painter, QRectF(0, 0, width, 79));
    paintLogo(painter, QRectF(18, 10, 56, 56));
    drawText(painter, QRectF(88, 8, 400, 38), productName(), uiFont(30, QFont::Bold), Qt::white,
             Qt::AlignLeft | Qt::AlignBottom);
    drawText(painter, QRectF(90, 46, 500, 20), QCoreApplication::translate("brenmoor::app::Artwork", "Lotus Notes address book converter"),
             uiFont(13), kMist);

    if (!badges)
        return pixmap;
    const int right = width - 904;
    drawText(painter, QRectF(right + 528, 6, 354, 14), QCoreApplication::translate("brenmoor::app::Artwork", "SAVES CONTACTS AS"),
             uiFont(10, QFont::DemiBold), QColor(255, 255, 255, 170), Qt::AlignRight | Qt::AlignVCenter);
    paintBadgeRows(painter, QPointF(right + 528, 24), 354, 20, 8, 10);
    return pixmap;
}

QPixmap addressBookPicture()
{
    QPixmap pixmap = canvas(16, 16);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(Qt::NoPen);
    // Pages showing at the fore edge, then the cover and its darker spine.
    painter.setBrush(QColor(0xe2, 0xe8, 0xf0));
    painter.drawRoundedRect(QRectF(4, 1.5, 10.5, 13.5), 1.5, 1.5);
    QLinearGradient cover(QPointF(2, 1), QPointF(13, 15));
    cover.setColorAt(0.0, kBlue);
    cover.setColorAt(1.0, kNavy);
    painter.setBrush(cover);
    painter.drawRoundedRect(QRectF(2, 1, 11, 14), 1.5, 1.5);
    painter.setBrush(kNavy.darker(130));
    painter.drawRect(QRectF(2, 1, 2, 14));
    // A small person on the cover.
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(8.5, 6), 1.9, 1.9);
    QPainterPath shoulders;
    shoulders.moveTo(5.5, 12);
    shoulders.cubicTo(5.5, 8.3, 11.5, 8.3, 11.5, 12);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    return pixmap;
}

QPixmap contactCardPicture()
{
    QPixmap pixmap = canvas(16, 16);
    QPainter painter(&pixmap);
    prepare(painter);
    painter.setPen(QPen(QColor(0x4a, 0x6f, 0xa5), 1.0));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTeal);
    painter.drawRect(QRectF(1, 3, 14, 2));
    painter.setBrush(kNavy);
    painter.drawEllipse(QPointF(4.5, 7.6), 1.6, 1.6);
    QPainterPath shoulders;
    shoulders.moveTo(2, 12.5);
    shoulders.cubicTo(2, 9.4, 7, 9.4, 7, 12.5);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    painter.setBrush(QColor(0x90, 0xa4, 0xbe));
    painter.drawRect(QRectF(9, 7, 5, 1));
    painter.drawRect(QRectF(9, 9, 5, 1));
    painter.drawRect(QRectF(9, 11, 3.5, 1));
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap = canvas(size, size, 1.0);
        QPainter painter(&pixmap);
        prepare(painter);
        paintLogo(painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap saveDialogPicture(int height, int width)
{
    QPixmap pixmap = canvas(width, height);
    QPainter painter(&pixmap);
    prepare(painter);
    paintPageBackground(painter, QRectF(0, 0, width, height));

    paintBrandStrip(painter, QRectF(0, 0, width, kSaveDialogStripHeight));
    paintLogo(painter, QRectF(18, 12, 40, 40));
    drawText(painter, QRectF(70, 10, 316, 26), QCoreApplication::translate("brenmoor::app::Artwork", "Conversion options"),
             uiFont(20, QFont::Bold), Qt::white);
    drawText(painter, QRectF(71, 36, 316, 18), QCoreApplication::translate("brenmoor::app::Artwork", "Choose the contacts and the form to save them in"),
             uiFont(12), kMist);
    paintBadgeRows(painter, QPointF(18, 66), 368, 20, 8, 10);
    return pixmap;
}

QPixmap aboutPicture()
{
    QPixmap pixmap = canvas(404, 314);
    QPainter painter(&pixmap);
    prepare(painter);
    paintPageBackground(painter, QRectF(0, 0, 404, 314));

    paintBrandStrip(painter, QRectF(0, 0, 404, 74));
    drawText(painter, QRectF(22, 10, 360, 34), productName(), uiFont(26, QFont::Bold), Qt::white,
             Qt::AlignLeft | Qt::AlignBottom);
    drawText(painter, QRectF(23, 46, 370, 16),
             QCoreApplication::translate("brenmoor::app::Artwork", "Saves Lotus Notes contacts as PST, CSV, vCard, LDIF, HTML and text"),
             uiFont(11), kMist);

    paintLogo(painter, QRectF(26, 102, 84, 84));
    drawText(painter, QRectF(128, 110, 260, 28),
             productName() + QStringLiteral(" ") + QString::fromLatin1(kProductVersion),
             uiFont(20, QFont::Bold), kInk);
    drawText(painter, QRectF(128, 144, 260, 18), QString::fromLatin1(kMakerName), uiFont(13, QFont::DemiBold),
             kInk);
    drawText(painter, QRectF(128, 163, 260, 16), QStringLiteral("Copyright \u00a9 2026 Qalder Software"),
             uiFont(11), kMuted);

    painter.setPen(QPen(QColor(0xcb, 0xd5, 0xe0), 1.0));
    painter.drawLine(QPointF(24, 212.5), QPointF(380, 212.5));

    const QRectF web(kAboutWebAddressLine);
    const qreal rowHeight = 14;
    const QRectF webRow(web.left(), web.center().y() - rowHeight / 2, 300, rowHeight);
    const QRectF mailRow = webRow.translated(0, -20);
    const QFont caption = uiFont(10, QFont::DemiBold);
    drawText(painter, QRectF(0, mailRow.top(), web.left() - 6, rowHeight), QCoreApplication::translate("brenmoor::app::Artwork", "Support"), caption,
             kMuted, Qt::AlignRight | Qt::AlignVCenter);
    drawText(painter, QRectF(0, webRow.top(), web.left() - 6, rowHeight), QCoreApplication::translate("brenmoor::app::Artwork", "Web"), caption,
             kMuted, Qt::AlignRight | Qt::AlignVCenter);
    drawText(painter, mailRow, QString::fromLatin1(kSupportEmail), uiFont(11), kInk);
    QFont link = uiFont(11);
    link.setUnderline(true);
    drawText(painter, webRow, QString::fromLatin1(kMakerWebsite), link, kBlue);
    return pixmap;
}

} // namespace brenmoor::app
