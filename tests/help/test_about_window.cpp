#include "fg_test.h"
#include "help/about_window.h"
#include "shell/main_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

// The About window as the user meets it: "About" on the main window, "Return" to close.
class TestAboutWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameWindowEachTime();
};

void TestAboutWindow::sameWindowEachTime()
{
    TForm1 form(fgtest::services());
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QList<Tfrmdisc*> shown;
    for (int press = 0; press < 2; ++press) {
        fgtest::answerWhenOpen<Tfrmdisc>([&shown](Tfrmdisc& about) {
            shown.append(&about);
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::mouseClick(about.Button1, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QVERIFY(!form.frmdisc->isVisible());
    }
    QCOMPARE(shown, (QList<Tfrmdisc*>{form.frmdisc, form.frmdisc}));

    Tfrmdisc& about = *form.frmdisc;
    QCOMPARE(about.windowTitle(), QString("Framegrove "));
    QCOMPARE(about.size(), QSize(508, 336));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(about.Label1->text().contains("Framegrove " FG_VERSION));
    QVERIFY(about.Label1->text().contains("GPL-3.0-or-later"));
    QCOMPARE(about.Label1->font().family(), QString("Courier New"));
    QCOMPARE(about.GroupBox1->title(), QString("Disclaimer"));
    QCOMPARE(about.Label4->text(),
             QString("By using this software, you are agreeing to these terms.  If these terms "
                     "are not agreeable, do not use this software."));
    for (const QLabel* label : {about.Label2, about.Label3, about.Label4}) {
        QVERIFY(label->wordWrap());
        QCOMPARE(label->font().pixelSize(), 12);
        // the whole text fits its place
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }
    QCOMPARE(about.Button1->text(), QString("Return"));
    QVERIFY(about.rect().contains(about.Button1->geometry()));
    QVERIFY(about.Button1->geometry().right() > 400 && about.Button1->geometry().bottom() > 300);
    QVERIFY(fgtest::appMessages().shown.isEmpty());
}

FG_TEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
