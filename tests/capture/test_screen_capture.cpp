#include "capture/delay_dialog.h"
#include "fg_test.h"
#include "pattern_window.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace
{

// Answers the delay dialog once it is open.
void answerDelayDialog(const std::function<void(TFrmmenus&)>& answer)
{
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<TFrmmenus*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answer(*dialog);
    });
}

} // namespace

class TestScreenCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captureEqualsTheScreen();
    void startedGrabIsTheScreen_data();
    void startedGrabIsTheScreen();
    void capturesOnSecondTick();
    void stampOnMainImageAndSurface();
    void delayDialogArmsNothing_data();
    void delayDialogArmsNothing();
    void delayStartCapturesOnTickNPlusOne_data();
    void delayStartCapturesOnTickNPlusOne();
    void delayDialogReopensAtTen();

private:
    std::unique_ptr<TForm1> form_;
};

void TestScreenCapture::init()
{
    fgtest::appMessages().shown.clear();
    form_ = std::make_unique<TForm1>(fgtest::services());
    form_->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestScreenCapture::cleanup()
{
    form_.reset();
}

void TestScreenCapture::captureEqualsTheScreen()
{
    const QRect place(60, 80, 320, 200);
    fgtest::PatternWindow pattern(place);
    pattern.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pattern));
    form_->raise();

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(form_->cmdcap, Qt::LeftButton);
    QVERIFY(!form_->isVisible());
    QVERIFY(form_->Timer1->isActive());
    QCOMPARE(form_->Timer1->interval(), 1000);
    QVERIFY(fgtest::waitUntilOnScreen(pattern)); // what the window covered is repainted
    const QImage screen = fgtest::importRootWindow();
    QTRY_VERIFY_WITH_TIMEOUT(form_->isVisible(), 5000);
    QVERIFY2(clock.elapsed() >= 1900, "the copy comes on the second tick");
    QVERIFY(!form_->Timer1->isActive());

    const QImage captured = form_->Image1->picture();
    QCOMPARE(fgtest::firstDifference(captured, screen), QString());
    QCOMPARE(captured.pixel(place.topLeft() + QPoint(5, 5)), qRgb(255, 0, 0));
    QCOMPARE(captured.pixel(place.bottomRight() - QPoint(5, 15)), qRgb(255, 255, 0));
    QCOMPARE(fgtest::firstDifference(form_->Image3->picture(), captured), QString());
}

void TestScreenCapture::startedGrabIsTheScreen_data()
{
    QTest::addColumn<QRect>("started");
    QTest::addColumn<QRect>("asked");
    const QRect screen(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
    const QRect part(40, 60, 300, 220), partlyOff(-20, -10, 200, 100);
    QTest::newRow("main window's start-up picture") << QRect() << screen;
    QTest::newRow("the whole screen") << screen << screen;
    QTest::newRow("a part") << part << part;
    QTest::newRow("another area than started") << screen << part;
    QTest::newRow("partly off the screen") << partlyOff << partlyOff;
}

// The screen read in the background while the program goes on, compared with ImageMagick's.
void TestScreenCapture::startedGrabIsTheScreen()
{
    QFETCH(QRect, started);
    QFETCH(QRect, asked);
    fgtest::PatternWindow pattern(QRect(60, 80, 320, 200));
    pattern.show();
    QVERIFY(fgtest::waitUntilOnScreen(pattern));
    const QImage screen = fgtest::importRootWindow();
    QImage picture;
    if (started.isNull()) {
        const TForm1 form(fgtest::services());
        picture = form.Image1->picture();
    } else {
        platform::startGrabbingScreen(started);
        picture = platform::grabScreen(asked);
    }
    QCOMPARE(fgtest::firstDifference(picture, screen.copy(asked)), QString());
}

void TestScreenCapture::capturesOnSecondTick()
{
    form_->Image1->setPicture(QImage()); // so that the copy can be seen
    form_->cmdcapClick();
    QCOMPARE(form_->WaitTicks, qint16(1));
    QVERIFY(form_->isHidden());
    form_->Timer1Timer();
    QVERIFY(form_->isHidden());
    QVERIFY(form_->Image1->picture().isNull());
    form_->Timer1Timer();
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->Timer1->isActive());
    QCOMPARE(form_->Image1->picture().size(), QGuiApplication::primaryScreen()->size());
}

void TestScreenCapture::stampOnMainImageAndSurface()
{
    form_->ChkTime->setChecked(true);
    form_->cmdcapClick();
    form_->Timer1Timer();
    form_->Timer1Timer();
    const QImage picture = form_->Image1->picture();
    const int top = picture.height() - 25;
    QVERIFY2(fgtest::redStampPixels(picture) > 20,
             "red letters 25 pixels above the bottom, 15 in from the left");
    QCOMPARE(picture.pixel(15, top), qRgb(255, 255, 255));
    QCOMPARE(picture.pixel(14, top), fgtest::importRootWindow().pixel(14, top));
    QCOMPARE(fgtest::firstDifference(form_->Image3->picture(), picture), QString());
}

void TestScreenCapture::delayDialogArmsNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape key") << 1;
    QTest::newRow("close box") << 2;
}

void TestScreenCapture::delayDialogArmsNothing()
{
    QFETCH(int, how);
    answerDelayDialog([how](TFrmmenus& dialog) {
        dialog.EdSeconds->setValue(3);
        if (how == 0)
            QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
    });
    form_->Button3Click();
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->Timer1->isActive());
}

void TestScreenCapture::delayStartCapturesOnTickNPlusOne_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("1 second, Start clicked") << 1 << false;
    QTest::newRow("4 seconds, Enter") << 4 << true;
    QTest::newRow("360 seconds") << 360 << false;
}

void TestScreenCapture::delayStartCapturesOnTickNPlusOne()
{
    QFETCH(int, seconds);
    QFETCH(bool, byEnter);
    answerDelayDialog([=](TFrmmenus& dialog) {
        QCOMPARE(dialog.windowTitle(), QString("Capture Pull Down Menus"));
        dialog.EdSeconds->setValue(seconds);
        if (byEnter)
            QTest::keyClick(&dialog, Qt::Key_Return);
        else
            QTest::mouseClick(dialog.cmdstart, Qt::LeftButton);
    });
    form_->Button3Click();
    QCOMPARE(form_->WaitTicks, qint16(seconds));
    QCOMPARE(form_->TimerTicks, qint16(0));
    QVERIFY(form_->isHidden());
    QVERIFY(form_->Timer1->isActive());
    form_->Image1->setPicture(QImage());
    for (int tick = 1; tick <= seconds; ++tick)
        form_->Timer1Timer();
    QVERIFY(form_->isHidden());
    QVERIFY(form_->Image1->picture().isNull());
    form_->Timer1Timer();
    QVERIFY(form_->isVisible());
    QVERIFY(!form_->Image1->picture().isNull());
}

void TestScreenCapture::delayDialogReopensAtTen()
{
    answerDelayDialog([](TFrmmenus& dialog) {
        dialog.EdSeconds->setValue(42);
        dialog.cmdstartClick();
    });
    form_->Button3Click();
    form_->Timer1->stop();
    form_->show();
    int shown = 0;
    answerDelayDialog([&shown](TFrmmenus& dialog) {
        shown = dialog.EdSeconds->value();
        dialog.BitBtn2Click();
    });
    form_->Button3Click();
    QCOMPARE(shown, 10);
}

FG_TEST_MAIN(TestScreenCapture)
#include "test_screen_capture.moc"
