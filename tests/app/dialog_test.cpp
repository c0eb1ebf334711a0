// The save format dialog driven as a user would: choosing forms, Convert with and without
// a choice, Cancel and the frame's close, and where its controls sit on its picture.
#include "app/artwork.h"
#include "app/save_dialog.h"
#include "tests/app/click_at.h"
#include "tests/app/prompts_double.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using brenmoor::app::Dialog;

namespace {

void deleteDeferred()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

    brenmoor::app::testing::PromptsDouble prompts_;
    QList<int> ran_;             // indexes of the commands run, in order
    QList<bool> ranWhileShown_;  // whether the dialog was up when each ran
    QPointer<Dialog> dialog_;

    Dialog* makeDialog()
    {
        dialog_ = new Dialog(prompts_, [this](int form) {
            ran_ << form;
            ranWhileShown_ << (dialog_ && dialog_->isVisible());
        });
        return dialog_;
    }
    QRadioButton* option(int i) { return dialog_->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(i)); }
    QPushButton* button(const char* name) { return dialog_->findChild<QPushButton*>(QLatin1String(name)); }
    QList<int> checkedOptions()
    {
        QList<int> checked;
        for (int i = 0; i < 5; ++i)
            if (option(i)->isChecked())
                checked << i;
        return checked;
    }

private slots:
    void initTestCase() { QGuiApplication::setApplicationDisplayName(QStringLiteral("Brenmoor")); }

    void init()
    {
        prompts_.messages.clear();
        ran_.clear();
        ranWhileShown_.clear();
        makeDialog()->show();
    }

    void cleanup()
    {
        delete dialog_;
        deleteDeferred();
    }

    void formsAreOneExclusiveGroupWithNoneChosenAtFirst()
    {
        QCOMPARE(checkedOptions(), QList<int>());
        QCOMPARE(dialog_->chosenForm(), -1);
        QTest::mouseClick(option(2), Qt::LeftButton);
        QCOMPARE(checkedOptions(), QList<int>{2});
        QTest::mouseClick(option(4), Qt::LeftButton);
        QCOMPARE(checkedOptions(), QList<int>{4});
        QTest::mouseClick(option(4), Qt::LeftButton);  // a second click does not clear it
        QCOMPARE(checkedOptions(), QList<int>{4});
        QCOMPARE(dialog_->chosenForm(), 4);
    }

    void convertWithoutChoiceAsksForOneAndStaysOpen()
    {
        QTest::mouseClick(button("OKButton"), Qt::LeftButton);
        QCOMPARE(prompts_.messageTexts(), QStringList{QStringLiteral("Please choose contact saving type")});
        QCOMPARE(prompts_.messages.first().title, QStringLiteral("Brenmoor"));
        QVERIFY(ran_.isEmpty());
        QVERIFY(dialog_->isVisible());
    }

    void convertRunsTheChosenFormsCommandThenHides_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 5; ++i)
            QTest::addRow("form %d", i) << i;
    }
    void convertRunsTheChosenFormsCommandThenHides()
    {
        QFETCH(int, index);
        QTest::mouseClick(option(index), Qt::LeftButton);
        QTest::mouseClick(button("OKButton"), Qt::LeftButton);
        QCOMPARE(ran_, QList<int>{index});
        QCOMPARE(ranWhileShown_, QList<bool>{true});  // the export runs over the dialog
        QVERIFY(prompts_.messages.isEmpty());
        QVERIFY(dialog_->isHidden());
        deleteDeferred();
        QVERIFY(dialog_);  // hidden, not unloaded
    }

    void showingAgainAfterConvertKeepsTheChoice()
    {
        QTest::mouseClick(option(3), Qt::LeftButton);
        QTest::mouseClick(button("OKButton"), Qt::LeftButton);
        deleteDeferred();
        QVERIFY(dialog_);
        dialog_->show();
        QCOMPARE(checkedOptions(), QList<int>{3});
        QTest::mouseClick(button("OKButton"), Qt::LeftButton);
        QCOMPARE(ran_, (QList<int>{3, 3}));
    }

    void unloadingLosesTheChoice_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << QStringLiteral("Cancel");
        QTest::newRow("window frame") << QStringLiteral("frame");
        QTest::newRow("Escape") << QStringLiteral("Escape");
    }
    void unloadingLosesTheChoice()
    {
        QFETCH(QString, how);
        QTest::mouseClick(option(1), Qt::LeftButton);
        QSignalSpy unloaded(dialog_.data(), &Dialog::unloaded);
        if (how == QLatin1String("Cancel"))
            QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
        else if (how == QLatin1String("frame"))
            dialog_->close();
        else
            QTest::keyClick(dialog_.data(), Qt::Key_Escape);
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(dialog_->isHidden());
        deleteDeferred();
        QVERIFY(!dialog_);
        QVERIFY(ran_.isEmpty());

        makeDialog()->show();
        QCOMPARE(checkedOptions(), QList<int>());
    }

    // The main window tells the two endings apart by what exec() returns.
    void execEndsAcceptedAfterConvertAndRejectedAfterCancel()
    {
        dialog_->hide();
        QTest::mouseClick(option(0), Qt::LeftButton);
        QTimer::singleShot(0, this, [this] { QTest::mouseClick(button("OKButton"), Qt::LeftButton); });
        QCOMPARE(dialog_->exec(), int(QDialog::Accepted));
        QCOMPARE(ran_, QList<int>{0});

        QTimer::singleShot(0, this, [this] { QTest::mouseClick(button("CancelButton"), Qt::LeftButton); });
        QCOMPARE(dialog_->exec(), int(QDialog::Rejected));
        deleteDeferred();
        QVERIFY(!dialog_);
    }

    // Hidden after Convert and shown again, it opens where it was, also after the user
    // moved it; it is not centred anew or moved down.
    void reopensWhereItWas()
    {
        QWidget owner;
        owner.resize(900, 600);
        owner.show();
        delete dialog_;
        makeDialog()->setParent(&owner, dialog_->windowFlags());
        QTest::mouseClick(option(1), Qt::LeftButton);
        QList<QPoint> shownAt;
        for (int showing = 0; showing < 3; ++showing) {
            QTimer::singleShot(0, this, [&, showing] {
                if (showing == 0)
                    dialog_->windowHandle()->setFramePosition(QPoint(37, 45)); // the user drags it
                QCoreApplication::processEvents();
                shownAt << dialog_->pos();
                QTest::mouseClick(button("OKButton"), Qt::LeftButton);
            });
            QCOMPARE(dialog_->exec(), int(QDialog::Accepted));
        }
        QCOMPARE(dialog_->pos(), QPoint(37, 45));
        QCOMPARE(shownAt.mid(1), (QList<QPoint>{QPoint(37, 45), QPoint(37, 45)}));
    }

    // As in any dialog of the desktop, a click on a form's text chooses it.
    void clickingAFormsTextChoosesIt()
    {
        for (int i : {3, 0, 4}) {
            auto* label = dialog_->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
            clickAt(*dialog_, label->geometry().topLeft() + QPoint(2, 2));
            QCOMPARE(checkedOptions(), QList<int>{i});
        }
    }

    void controlsSitWhereTheFormPlacesThem()
    {
        QCOMPARE(dialog_->objectName(), QStringLiteral("Dialog"));
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("Save NSF Contacts As"));
        QCOMPARE(dialog_->size(), QSize(402, 442));
        QCOMPARE(button("OKButton")->text(), QStringLiteral("Convert"));
        QCOMPARE(button("OKButton")->geometry(), QRect(72, 400, 89, 25));
        QCOMPARE(button("CancelButton")->text(), QStringLiteral("Cancel"));
        QCOMPARE(button("CancelButton")->geometry(), QRect(200, 400, 81, 25));
        const QStringList texts{
            QStringLiteral("Save as PST (Outlook 2010,2007,2003,2002,2000,97)"), QStringLiteral("Save as CSV"),
            QStringLiteral("Save as vCard (.vcf)"), QStringLiteral("Save as HTML"),
            QStringLiteral("Save as TXT format")};
        for (int i = 0; i < 5; ++i) {
            const int top = 216 + 32 * i;
            QCOMPARE(option(i)->geometry(), QRect(32, top, 17, 17));
            QVERIFY(option(i)->text().isEmpty());
            auto* label = dialog_->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
            QCOMPARE(label->geometry(), QRect(56, top, 305, 25));
            QCOMPARE(label->text(), texts[i]);
            // The whole text fits its label.
            QVERIFY(QFontMetrics(label->font()).horizontalAdvance(texts[i]) <= label->width());
        }
    }

    void tabGoesConvertCancelThenTheFormsInOrder()
    {
        QStringList order;
        QWidget* widget = button("OKButton");
        while (order.size() < 7) {
            if (widget->focusPolicy() & Qt::TabFocus)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"OKButton", "CancelButton", "Option1_0", "Option1_1", "Option1_2",
                                     "Option1_3", "Option1_4"}));
    }

    // The options' own background is the window colour, so the picture must be plain
    // white wherever an option or its text lies.
    void choicesLieOnThePicturesWhitePanel()
    {
        const QImage picture = brenmoor::app::saveDialogPicture().toImage();
        QCOMPARE(picture.size() / picture.devicePixelRatio(), QSize(404, 442));
        const QColor white = option(0)->palette().color(QPalette::Base);
        const QRect choices(32, 216, 361 - 32, 369 - 216);
        const qreal ratio = picture.devicePixelRatio();
        for (int y = choices.top(); y <= choices.bottom(); y += 3)
            for (int x = choices.left(); x <= choices.right(); x += 3)
                QCOMPARE(picture.pixelColor(QPoint(x, y) * ratio), white);
    }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
