// The main window's captures asked for from outside it: the command line and later starts.
#include "capture/delay_seconds.h"
#include "shell/main_window.h"
#include "ui/handlers.h"
#include "ui/picture_box.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>

bool TForm1::busy() const
{
    return captureUnderWay_ || inSelectionMode() || QApplication::activeModalWidget() != nullptr;
}

QString TForm1::takeRequest(CaptureRequest request, int seconds)
{
    if (busy())
        return QStringLiteral("Framegrove is busy with another capture or an open window; "
                              "finish that first.");
    // before it has been shown, the window holds the capture taken at start, with nothing of
    // ours on the screen: that one is fresh
    const bool fresh = !isVisible();
    if (isMinimized())
        showNormal();
    switch (request) {
    case CaptureRequest::Screen:
        fresh ? showCentred() : cmdcapClick();
        break;
    case CaptureRequest::Area:
        if (fresh)
            cmdareaClick();
        else {
            cropAfterCapture_ = true;
            cmdcapClick();
        }
        break;
    case CaptureRequest::Window:
        // nothing of ours hides the window that was active; the dialog needs the event loop
        if (fresh) {
            captureUnderWay_ = true;
            QTimer::singleShot(0, this, [this] {
                runHandler(services_.messages, [this] { TopWindowIntoDialog(); });
            });
        } else
            CmdTopWindowClick();
        break;
    case CaptureRequest::Delay:
        armCaptureTimer(*Timer1, qint16(std::clamp(seconds, FewestDelaySeconds, MostDelaySeconds)));
        break;
    }
    return {};
}
