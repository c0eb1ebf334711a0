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
        for (int i = 0; i < int(brenmoor::app::saveDialogFormats().size()); ++i)
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
        for (int i = 0; i < int(brenmoor::app::saveDialogFormats().size()); ++i)
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
            clickAt(*dialog_, label->mapTo(dialog_.data(), QPoint(2, 2)));
            QCOMPARE(checkedOptions(), QList<int>{i});
        }
    }

    // Every format of the table, the five first, then the files for other programs under
    // their own heading; each text whole on the white panel.
    void offersEveryFormatInTwoGroups()
    {
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("Save NSF Contacts As"));
        QCOMPARE(button("OKButton")->text(), QStringLiteral("&Convert"));
        const QStringList texts{
            QStringLiteral("Save as PST (Outlook 2010,2007,2003,2002,2000,97)"), QStringLiteral("Save as CSV"),
            QStringLiteral("Save as vCard (.vcf)"), QStringLiteral("Save as HTML"),
            QStringLiteral("Save as TXT format"), QStringLiteral("Save as vCard 3.0"), QStringLiteral("Save as vCard 4.0"),
            QStringLiteral("Save as LDIF (Thunderbird)"), QStringLiteral("Save as Outlook CSV"),
            QStringLiteral("Save as Google CSV")};
        QCOMPARE(int(brenmoor::app::saveDialogFormats().size()), texts.size());
        const QImage shown = dialog_->grab().toImage();
        const QColor white = QColor::fromRgb(brenmoor::app::kPanelColour);
        int lastTop = -1;
        for (int i = 0; i < texts.size(); ++i) {
            QVERIFY(option(i)->text().isEmpty());
            QCOMPARE(option(i)->accessibleName(), texts[i]);
            auto* label = dialog_->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
            QCOMPARE(label->text(), texts[i]);
            QVERIFY(QFontMetrics(label->font()).horizontalAdvance(texts[i]) <= label->width());
            // The panel's margin beside the row is white: the row lies on the panel.
            const QPoint margin(label->parentWidget()->mapTo(dialog_.data(), QPoint(4, 0)).x(),
                                label->mapTo(dialog_.data(), QPoint(0, label->height() / 2)).y());
            QCOMPARE(shown.pixelColor(margin * shown.devicePixelRatio()), white);
            const int top = label->mapTo(dialog_.data(), QPoint()).y();
            QVERIFY(top > lastTop);
            lastTop = top;
        }
        QLabel* group = nullptr;
        for (QLabel* label : dialog_->findChildren<QLabel*>())
            if (label->text() == QStringLiteral("Files for other programs"))
                group = label;
        QVERIFY(group);
        const auto topOf = [&](QWidget* w) { return w->mapTo(dialog_.data(), QPoint()).y(); };
        QVERIFY(topOf(option(4)) < topOf(group) && topOf(group) < topOf(option(5)));
    }

    // The contacts to save: each choice with its count, the one without contacts greyed,
    // and the sentence above saying what Convert will save.
    void saysWhichContactsItSaves()
    {
        using brenmoor::app::SaveScope;
        const auto scope = [&](const char* name) { return dialog_->findChild<QRadioButton*>(QLatin1String(name)); };
        QLabel* summary = dialog_->findChild<QLabel*>(QStringLiteral("SaveSummary"));
        dialog_->setScopes({25, 7, 3, true}, SaveScope::Selected);
        QCOMPARE(scope("ScopeAll")->text(), QStringLiteral("&All 25 contacts"));
        QCOMPARE(scope("ScopeSelected")->text(), QStringLiteral("The 7 &selected contacts"));
        QCOMPARE(scope("ScopeShown")->text(), QStringLiteral("The 3 contacts shown by the &filter"));
        QCOMPARE(summary->text(), QStringLiteral("Only the 7 selected contacts are saved, in the folder you choose next."));
        scope("ScopeShown")->click();
        QCOMPARE(dialog_->chosenScope(), SaveScope::Shown);
        QCOMPARE(summary->text(), QStringLiteral("Only the 3 contacts shown by the filter are saved, in the folder you choose next."));

        dialog_->setScopes({1, 0, 1, false}, SaveScope::Selected);
        QVERIFY(!scope("ScopeSelected")->isEnabled());
        QVERIFY(!scope("ScopeShown")->isEnabled());
        QCOMPARE(dialog_->chosenScope(), SaveScope::All);
        QCOMPARE(summary->text(), QStringLiteral("The one contact of the address book is saved, in the folder you choose next."));
    }

    void tabGoesThroughTheChoicesThenConvertAndCancel()
    {
        QStringList order;
        QWidget* widget = dialog_->findChild<QWidget*>(QStringLiteral("ScopeAll"));
        const int formats = int(brenmoor::app::saveDialogFormats().size());
        while (order.size() < 3 + formats + 2) {
            if (widget->focusPolicy() & Qt::TabFocus && widget->isVisible())
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        }
        QStringList expected{"ScopeAll", "ScopeSelected", "ScopeShown"};
        for (int i = 0; i < formats; ++i)
            expected << QStringLiteral("Option1_%1").arg(i);
        expected << "OKButton" << "CancelButton";
        QCOMPARE(order, expected);
    }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
