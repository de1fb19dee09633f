#include "edit/action_dialog.h"
#include "fg_test.h"
#include "main_window_test.h"
#include "output/quality_dialog.h"
#include "pattern_window.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "shell/settings_file.h"
#include "ui/picture_box.h"

#include <QAccessible>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QTemporaryDir>

namespace
{

// Presses, drags and lets go with the real pointer, as a person would.
void drag(QPoint from, QPoint to)
{
    // come in from beside the start, so that the window sees the pointer arrive
    QProcess::execute("xdotool",
                      {"mousemove", QString::number(from.x() + 3), QString::number(from.y() + 3),
                       "sleep", "0.1", "mousemove", QString::number(from.x()),
                       QString::number(from.y()), "mousedown", "1", "mousemove",
                       QString::number((from.x() + to.x()) / 2),
                       QString::number((from.y() + to.y()) / 2), "mousemove",
                       QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
}

// The window manager has taken the window as maximised: it says so on the window. Until then
// it may still maximise the window after the program has put it back.
bool maximisedByWindowManager(const QWidget& window)
{
    const QByteArray state =
        fgtest::runPeer("xprop", {"-id", QString::number(window.winId()), "_NET_WM_STATE"});
    return state.contains("_NET_WM_STATE_MAXIMIZED_VERT") &&
           state.contains("_NET_WM_STATE_MAXIMIZED_HORZ");
}

// Gives the window manager its moment to maximise the surface as asked, so that its answer does
// not come after the program has put the window back. Some runs it leaves the state unsaid and
// keeps the surface as placed; so the wait is short and its end not a failure.
void settleSelectionSurface(const QWidget& surface)
{
    if (!QTest::qWaitFor([&] { return maximisedByWindowManager(surface); }, 1000))
        qDebug("the window manager left the surface's state unsaid");
}

// Closes the action dialog as soon as it opens, noting that it did.
void closeActionDialogWhenOpen(bool& opened)
{
    fgtest::answerWhenOpen<TFrmopt>([&opened](TFrmopt& dialog) {
        opened = true;
        dialog.close();
    });
}

} // namespace

class TestCropRoad : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void dragCropsTheCapture();
    void dragBackwardsCropsNothing();
    void anyMouseButtonDraws_data();
    void anyMouseButtonDraws();
    void clickWithoutDragGivesEmptyPicture_data();
    void clickWithoutDragGivesEmptyPicture();
    void keysLeaveSelectionMode_data();
    void keysLeaveSelectionMode();
    void offScreenPartsAreBlack();

private:
    // Captures a screen with known pixels at its upper left and enters the selection mode.
    QImage captureAndEnterSelection();

    std::unique_ptr<TForm1> form_;
    QTemporaryDir dir_;
};

void TestCropRoad::init()
{
    fgtest::showFramedMainWindow(form_);
}

void TestCropRoad::cleanup()
{
    fgtest::endMainWindow(form_);
}

QImage TestCropRoad::captureAndEnterSelection()
{
    {
        fgtest::PatternWindow pattern(QRect(0, 0, 320, 240));
        pattern.show();
        if (!fgtest::waitUntilOnScreen(pattern)) {
            qWarning("the pattern did not come onto the screen");
            return {};
        }
        form_->GrabScreen();
    }
    QTest::mouseClick(form_->cmdarea, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return form_->isMaximized() && form_->pos() == QPoint(0, 0); }) ||
        !QTest::qWaitForWindowExposed(form_.get())) {
        qWarning() << "selection mode not reached:" << form_->isMaximized() << form_->geometry()
                   << form_->pos() << form_->isVisible();
        return {};
    }
    settleSelectionSurface(*form_);
    if (!fgtest::waitUntilOnScreen(*form_)) {
        qWarning("the surface did not come onto the screen");
        return {};
    }
    return form_->Image1->picture();
}

void TestCropRoad::dragCropsTheCapture()
{
    const QRect startClient = form_->geometry(), startFrame = form_->frameGeometry();
    form_->resize(900, 700); // whatever the user made of it, the crop puts it back
    const QImage capture = captureAndEnterSelection();
    QVERIFY(!capture.isNull());
    QVERIFY(form_->windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form_->cursor().shape(), Qt::UpArrowCursor);
    QVERIFY(form_->Image3->isVisible());
    QCOMPARE(form_->Image3->geometry(), QRect(QPoint(0, 0), platform::primaryScreenSize()));
    for (QWidget* hidden :
         {static_cast<QWidget*>(form_->ScrollBox1), static_cast<QWidget*>(form_->GroupBox2),
          static_cast<QWidget*>(form_->Label1)})
        QVERIFY(hidden->isHidden());
    if (!qEnvironmentVariableIsEmpty("FG_SHOTS"))
        fgtest::importRootWindow().save(qEnvironmentVariable("FG_SHOTS") + "/selection-mode.png");

    bool opened = false;
    QSize shown;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        opened = true;
        shown = dialog.Image1->size();
        if (!qEnvironmentVariableIsEmpty("FG_SHOTS")) {
            fgtest::waitUntilOnScreen(dialog);
            fgtest::importRootWindow().save(qEnvironmentVariable("FG_SHOTS") +
                                            "/action-dialog.png");
        }
        dialog.close();
    });
    drag({10, 20}, {110, 70});
    QTRY_VERIFY_WITH_TIMEOUT(opened, 10000);
    QTRY_VERIFY(!fgtest::appMessages().shown.isEmpty());

    QCOMPARE(shown, QSize(100, 50));
    QCOMPARE(form_->Image4.size(), QSize(100, 50));
    QCOMPARE(form_->Image4.pixel(0, 0), capture.pixel(10, 20));
    QCOMPARE(form_->Image4.pixel(99, 49), capture.pixel(109, 69));
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Question);
    QCOMPARE(fgtest::appMessages().shown[0].text, QString("You chose cancel. Nothing was done. "));
    // no band left behind on the surface, and the window back as it was created
    QCOMPARE(fgtest::firstDifference(form_->Image3->picture(), capture), QString());
    QVERIFY(form_->Image3->isHidden());
    QVERIFY(form_->ScrollBox1->isVisible());
    QVERIFY(!(form_->windowFlags() & Qt::FramelessWindowHint));
    // back exactly where it first stood, frame and client
    QTRY_COMPARE(form_->geometry(), startClient);
    QCOMPARE(form_->frameGeometry(), startFrame);
    QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
    QTRY_COMPARE(form_->focusWidget(), form_->cmdarea);
}

void TestCropRoad::dragBackwardsCropsNothing()
{
    QVERIFY(!captureAndEnterSelection().isNull());
    form_->Image4 = QImage(3, 3, QImage::Format_RGB32);
    bool opened = false;
    closeActionDialogWhenOpen(opened);
    drag({110, 70}, {10, 90}); // to the left
    QTRY_COMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Information);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("Draw your rectangle from the UPPER LEFT to the lower right to capture an "
                     "area.  Please try again. "));
    QVERIFY(!opened);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(form_->Image4.size(), QSize(3, 3));
    QVERIFY(!form_->isMaximized());
}

void TestCropRoad::anyMouseButtonDraws_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestCropRoad::anyMouseButtonDraws()
{
    QFETCH(Qt::MouseButton, button);
    const QImage capture = captureAndEnterSelection();
    QVERIFY(!capture.isNull());
    bool opened = false;
    closeActionDialogWhenOpen(opened);
    QTest::mousePress(form_->Image3, button, {}, QPoint(30, 40));
    QTest::mouseMove(form_->Image3, QPoint(50, 55));
    QTest::mouseRelease(form_->Image3, button, {}, QPoint(70, 60));
    QTRY_VERIFY(opened);
    QCOMPARE(form_->Image4.size(), QSize(40, 20));
    QCOMPARE(form_->Image4.pixel(0, 0), capture.pixel(30, 40));
}

void TestCropRoad::keysLeaveSelectionMode_data()
{
    QTest::addColumn<bool>("dragging");
    QTest::addColumn<QString>("keys");
    QTest::newRow("Escape") << false << "Escape";
    QTest::newRow("Escape while dragging") << true << "Escape";
    QTest::newRow("Alt+F4") << false << "alt+F4";
}

// Escape leaves the selection mode with nothing cut out and the window back as it stood; closing
// the program from the selection mode keeps the size it would have come back at.
void TestCropRoad::keysLeaveSelectionMode()
{
    QFETCH(bool, dragging);
    QFETCH(QString, keys);
    const QRect startClient = form_->geometry(), startFrame = form_->frameGeometry();
    const QImage capture = captureAndEnterSelection();
    QVERIFY(!capture.isNull());
    bool opened = false;
    closeActionDialogWhenOpen(opened);
    if (dragging)
        QProcess::execute("xdotool",
                          {"mousemove", "40", "40", "mousedown", "1", "mousemove", "90", "80"});
    QTRY_VERIFY(!dragging || form_->Selecting);
    QProcess::execute("xdotool", {"key", keys});
    if (dragging)
        QProcess::execute("xdotool", {"mouseup", "1"});
    if (keys == "alt+F4") {
        QTRY_VERIFY(!form_->isVisible());
        QCOMPARE(ReadWindowWidth("form1", form_->SettingsPath), form_->StartWidth);
        QCOMPARE(ReadWindowHeight("form1", form_->SettingsPath), form_->StartHeight);
        return;
    }
    QTRY_VERIFY(form_->Image3->isHidden());
    QTRY_COMPARE(form_->geometry(), startClient);
    QCOMPARE(form_->frameGeometry(), startFrame);
    QVERIFY(form_->ScrollBox1->isVisible());
    QVERIFY(!form_->Selecting);
    QCOMPARE(fgtest::firstDifference(form_->Image3->picture(), capture), QString());
    QVERIFY(!opened);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(fgtest::appMessages().shown.isEmpty());
    // the focus shows on the button that started the crop, and the keys go on from there
    QTRY_COMPARE(form_->focusWidget(), form_->cmdarea);
    QVERIFY(form_->testAttribute(Qt::WA_KeyboardFocusChange));
    // where Enter goes is shown: the button's focus frame, and the focus a screen reader hears of
    QTRY_VERIFY(form_->cmdarea->hasFocus());
    QStyleOptionButton drawn;
    drawn.initFrom(form_->cmdarea);
    QVERIFY(drawn.state & QStyle::State_HasFocus);
    QVERIFY(drawn.state & QStyle::State_KeyboardFocusChange);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(form_->cmdarea);
    QVERIFY(button && button->state().focused);
    QProcess::execute("xdotool", {"key", "Tab", "shift+Tab", "Return"});
    QTRY_VERIFY(form_->Image3->isVisible()); // the crop again, not Exit or another tool
    settleSelectionSurface(*form_);
    QTest::keyClick(form_.get(), Qt::Key_Escape);
    QTRY_VERIFY(form_->Image3->isHidden());
}

void TestCropRoad::clickWithoutDragGivesEmptyPicture_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("message");
    QTest::newRow("JPEG") << "Save as JPEG"
                          << "empty";
    QTest::newRow("bitmap") << "Save as BITMAP"
                            << "empty";
    QTest::newRow("PNG") << "Save as PNG"
                         << "empty";
    QTest::newRow("clipboard") << "Copy (So you can paste elsewhere)"
                               << "empty";
    QTest::newRow("cancel") << "Cancel and Return"
                            << "You chose cancel";
}

// A click is a band of no size: the dialog shows an empty picture and every output copes.
void TestCropRoad::clickWithoutDragGivesEmptyPicture()
{
    QFETCH(QString, option);
    QFETCH(QString, message);
    QVERIFY(!captureAndEnterSelection().isNull());
    fgtest::appChoosers().answers = {dir_.filePath("never-written")};
    bool askedQuality = false;
    fgtest::answerWhenOpen<Tfrmcomp>([&](Tfrmcomp& dialog) {
        askedQuality = true;
        dialog.close();
    });
    bool opened = false;
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        opened = true;
        QCOMPARE(dialog.Image1->size(), QSize(0, 0));
        QVERIFY(dialog.LblEmpty->isVisible());
        fgtest::optionNamed(dialog, option)->setChecked(true);
        dialog.close();
    });
    drag({60, 60}, {60, 60});
    QTRY_VERIFY_WITH_TIMEOUT(opened, 10000);
    QTRY_COMPARE(fgtest::appMessages().shown.size(), 1);
    QVERIFY2(fgtest::appMessages().shown[0].text.contains(message),
             qPrintable(fgtest::appMessages().shown[0].text));
    QVERIFY(form_->Image4.isNull());
    QVERIFY(!QFile::exists(dir_.filePath("never-written")));
    QVERIFY(fgtest::appChoosers().asked.isEmpty()); // said before any dialog asks for a name
    QVERIFY(!askedQuality);
}

void TestCropRoad::offScreenPartsAreBlack()
{
    const QImage screen = fgtest::importRootWindow();
    const QImage grabbed = platform::grabScreen(QRect(-20, -10, 100, 50));
    QCOMPARE(grabbed.size(), QSize(100, 50));
    QCOMPARE(grabbed.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(grabbed.pixel(19, 49), qRgb(0, 0, 0));
    QCOMPARE(fgtest::firstDifference(grabbed.copy(20, 10, 80, 40), screen.copy(0, 0, 80, 40)),
             QString());
    const QSize size = screen.size();
    const QImage corner = platform::grabScreen(QRect(size.width() - 10, size.height() - 5, 30, 30));
    QCOMPARE(corner.pixel(29, 29), qRgb(0, 0, 0));
    QCOMPARE(corner.pixel(0, 0), screen.pixel(size.width() - 10, size.height() - 5));
}

FG_TEST_MAIN(TestCropRoad)
#include "test_crop_road.moc"
