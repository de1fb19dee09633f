// The main window's crop and top-window capture: both end in the action dialog.
#include "capture/stamp.h"
#include "capture/tick_counter.h"
#include "edit/action_dialog.h"
#include "edit/selection.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "ui/messages.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTimer>

void TForm1::cmdareaClick()
{
    EnterSelectionMode();
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    showSelectionSurface();
    setFocus(); // the hidden buttons took the keys with them; Escape must come here
}

void TForm1::showSelectionSurface()
{
    if (platform::windowsPlacedByCompositor()) {
        // the compositor puts a maximised window where it likes; a full-screen one covers the
        // output from its corner
        showFullScreen();
        return;
    }
    // the surface must sit at the screen's corner even before the window manager maximises it
    setGeometry(platform::screenPixels().logical);
    showMaximized();
}

void TForm1::EnterSelectionMode()
{
    setCursor(Qt::UpArrowCursor);
    for (QWidget* control : std::initializer_list<QWidget*>{ScrollBox1, GroupBox1, GroupBox2,
                                                            GroupBox3, GroupBox4, Label1})
        control->hide();
    Image3->setGeometry(QRect(QPoint(0, 0), Image3->sizeShowing(Image3->picture().size())));
    Image3->show();
}

void TForm1::LeaveSelectionMode()
{
    unsetCursor();
    for (QWidget* control : std::initializer_list<QWidget*>{ScrollBox1, GroupBox1, GroupBox2,
                                                            GroupBox3, GroupBox4, Label1})
        control->show();
    Image3->hide();
}

void TForm1::drawBand()
{
    Image3->editPicture([this](QImage& picture) { drawFocusRect(picture, FocusRect); });
}

void TForm1::Image3MouseDown(QPoint at)
{
    Selecting = true;
    SelStartX = at.x();
    SelStartY = at.y();
    FocusRect = Edges{at.x(), at.y(), at.x(), at.y()};
    drawBand();
}

void TForm1::Image3MouseMove(QPoint at)
{
    if (!Selecting)
        return;
    drawBand(); // inverting again takes the last band away
    FocusRect.Right = at.x();
    FocusRect.Bottom = at.y();
    drawBand();
}

void TForm1::restoreStartBounds()
{
    setWindowFlags(Qt::Window);
    // the start position is where the frame stood, so the window is moved by its frame
    resize(StartWidth, StartHeight);
    move(StartLeft, StartTop);
    showNormal();
}

void TForm1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // the window manager sometimes drops the state it was asked to map the surface in, and
    // sometimes gives the surface's full screen back to the main window as it maps again
    const auto stateWrong = [this] {
        return inSelectionMode() ? windowState() == Qt::WindowNoState
                                 : windowState().testFlag(Qt::WindowFullScreen);
    };
    if (stateWrong())
        QTimer::singleShot(0, this, [this, stateWrong] {
            if (!stateWrong())
                return;
            if (inSelectionMode())
                showSelectionSurface();
            else
                showNormal();
        });
}

bool TForm1::inSelectionMode() const
{
    return !Image3->isHidden();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && inSelectionMode()) {
        cancelSelection();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::cancelSelection()
{
    if (Selecting) {
        Selecting = false;
        drawBand(); // takes the band away
    }
    LeaveSelectionMode();
    // a new native window with the frame: on the frameless one, still Qt's focus window, the
    // window manager's focus would look like no change, and the widgets would never hear they
    // are active again (no focus frame, no focus for a screen reader, though the keys come here)
    destroy();
    restoreStartBounds();
    giveFocusBackToCrop();
}

void TForm1::giveFocusBackToCrop()
{
    // the panel's buttons were hidden with the focus in them: without this the focus shows
    // nowhere and Enter presses a button the user cannot see. It shows as after Tab.
    cmdarea->setFocus(Qt::TabFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
    // shown anew with its frame, the window had the keys a moment ago and keeps them
    activateWindow();
}

void TForm1::Image3MouseUp(QPoint at)
{
    Selecting = false;
    drawBand();
    SelEndX = at.x();
    SelEndY = at.y();
    LeaveSelectionMode();
    Crop = NormalizeSelection({SelStartX, SelStartY}, {SelEndX, SelEndY});
    // leave the surface's state while the window is still mapped: hidden first, the window
    // manager may write that state back onto it as it maps again and keep it full screen
    showNormal();
    restoreStartBounds();
    giveFocusBackToCrop();
    if (!drawnFromUpperLeft(FocusRect)) {
        services_.messages.show(
            MessageKind::Information,
            QStringLiteral("Draw your rectangle from the UPPER LEFT to the lower "
                           "right to capture an area.  Please try again. "));
        return;
    }
    Image4 = cropPicture(Image3->picture(), Crop);
    Frmopt->setPicture(Image4, Image4.size());
    Frmopt->runWithWorkingPicture();
}

void TForm1::CmdTopWindowClick()
{
    armCaptureTimer(*Timer_For_Top_Window, 1);
}

void TForm1::Timer_For_Top_WindowTimer()
{
    if (!countTickAndCheckDue(TimerTicks, WaitTicks))
        return;
    Timer_For_Top_Window->stop();
    TopWindowIntoDialog();
}

void TForm1::TopWindowIntoDialog()
{
    // the capture ends once the person has dealt with its picture in the dialog
    const auto ended = qScopeGuard([this] { captureUnderWay_ = false; });
    {
        const auto showAgain = qScopeGuard([this] { show(); }); // also when the session refuses
        GrabTopWindow();
    }
    const QSize size(TopWindowRect.Right - TopWindowRect.Left,
                     TopWindowRect.Bottom - TopWindowRect.Top);
    Frmopt->setPicture(Image4, size);
    const QColor windowText = QApplication::palette().color(QPalette::WindowText);
    Frmopt->Image1->editPicture([&](QImage& picture) {
        StampDateTime(picture, size.height(), ChkDate->isChecked(), ChkTime->isChecked(),
                      windowText, platform::screenPixels().scale);
    });
    Frmopt->runWithWorkingPicture();
}

void TForm1::GrabTopWindow()
{
    if (const std::optional<platform::WindowShot> shot = platform::grabActiveWindow()) {
        const QRect& frame = shot->frame;
        TopWindowRect = Edges{frame.left(), frame.top(), frame.left() + frame.width(),
                              frame.top() + frame.height()};
        Image4 = shot->picture;
        return;
    }
    // with no active window the last rectangle is taken again
    const QRect area(TopWindowRect.Left, TopWindowRect.Top,
                     TopWindowRect.Right - TopWindowRect.Left,
                     TopWindowRect.Bottom - TopWindowRect.Top);
    Image4 = area.isEmpty() ? QImage() : platform::grabScreen(area);
}
