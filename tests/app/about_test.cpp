// The about box: its link area over the picture's web address, OK, and the program's
// pictures at the sizes the windows lay them out for.
#include "app/about_box.h"
#include "app/artwork.h"
#include "tests/app/click_at.h"
#include "tests/app/prompts_double.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using brenmoor::app::frmAbout;

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void captionSizeAndControls()
    {
        brenmoor::app::testing::PromptsDouble prompts;
        frmAbout box(prompts);
        QCOMPARE(box.windowTitle(), QStringLiteral("About Brenmoor"));
        QCOMPARE(box.size(), QSize(404, 314));
        auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->geometry(), QRect(120, 280, 84, 23));
        auto* link = box.findChild<QLabel*>(QStringLiteral("Label1"));
        QCOMPARE(link->geometry(), QRect(72, 256, 201, 9));
        QVERIFY(link->text().isEmpty());
    }

    void clickOnTheWebAddressOpensTheSiteAndKeepsTheBox()
    {
        brenmoor::app::testing::PromptsDouble prompts;
        frmAbout box(prompts);
        box.show();
        clickAt(box, QPoint(172, 260));
        clickAt(box, QPoint(72, 256));   // its top left corner
        clickAt(box, QPoint(272, 264));  // its bottom right corner
        const QUrl site(QStringLiteral("https://www.qalder.example/"));
        QCOMPARE(prompts.openedUrls, (QList<QUrl>{site, site, site}));
        QVERIFY(box.isVisible());
    }

    void clicksJustOutsideTheAddressDoNothing_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::newRow("just above") << QPoint(172, 255);
        QTest::newRow("just below") << QPoint(172, 265);
        QTest::newRow("just left") << QPoint(71, 260);
        QTest::newRow("just right") << QPoint(273, 260);
    }
    void clicksJustOutsideTheAddressDoNothing()
    {
        QFETCH(QPoint, point);
        brenmoor::app::testing::PromptsDouble prompts;
        frmAbout box(prompts);
        box.show();
        clickAt(box, point);
        QVERIFY(prompts.openedUrls.isEmpty());
        QVERIFY(box.isVisible());
    }

    void pressOnTheAddressThenReleaseElsewhereOpensNothing()
    {
        brenmoor::app::testing::PromptsDouble prompts;
        frmAbout box(prompts);
        box.show();
        auto* link = box.findChild<QLabel*>(QStringLiteral("Label1"));
        QTest::mousePress(link, Qt::LeftButton, {}, QPoint(10, 4));
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(10, 40));
        QVERIFY(prompts.openedUrls.isEmpty());
    }

    void okClosesTheBox()
    {
        brenmoor::app::testing::PromptsDouble prompts;
        frmAbout box(prompts);
        auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        QCOMPARE(box.exec(), int(QDialog::Accepted));
        QVERIFY(box.isHidden());
        QVERIFY(prompts.openedUrls.isEmpty());
    }

    // The click area is invisible: the picture must show the address right under it.
    void thePictureShowsTheAddressUnderTheClickArea()
    {
        const QImage picture = brenmoor::app::aboutPicture().toImage();
        const qreal ratio = picture.devicePixelRatio();
        auto inkIn = [&](const QRect& area) {
            int ink = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor c = picture.pixelColor(QPoint(x, y) * ratio);
                    ink += c.blue() - c.red() > 60 ? 1 : 0;  // the link's blue
                }
            return ink;
        };
        const QRect line = brenmoor::app::kAboutWebAddressLine;
        QCOMPARE(line, QRect(72, 256, 201, 9));
        QVERIFY(inkIn(line) > 150);
        QCOMPARE(inkIn(QRect(0, 214, 404, line.top() - 214 - 3)), 0);  // the e-mail line above is not blue
    }

    void picturesHaveTheSizesTheWindowsExpect()
    {
        using namespace brenmoor::app;
        const QList<QPair<QPixmap, QSize>> pictures{
            {bannerPicture(), QSize(904, 79)},       {addressBookPicture(), QSize(16, 16)},
            {contactCardPicture(), QSize(16, 16)},   {saveDialogPicture(442), QSize(404, 442)},
            {aboutPicture(), QSize(404, 314)},
        };
        for (const auto& [pixmap, size] : pictures) {
            QCOMPARE(pixmap.deviceIndependentSize().toSize(), size);
            QVERIFY(!pixmap.toImage().isNull());
        }
        const QIcon icon = programIcon();
        for (int size : {16, 32, 48, 256})
            QCOMPARE(icon.pixmap(size).size(), QSize(size, size));
    }
};

QTEST_MAIN(AboutTest)
#include "about_test.moc"
