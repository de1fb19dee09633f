#pragma once

#include "platform/screen_pixels.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

// Reading the screen: one implementation per kind of session (an X11 server, KWin's own
// screenshot interface where it grants it, a Wayland session through the desktop's screenshot
// portal), and one loader that picks the one serving this session when it is first needed.
namespace platform
{

// The session would not give the screen's pixels; the text says why, for the person.
class CaptureFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Throws the CaptureFailure that says the screen could not be captured, and why.
[[noreturn]] void failCapture(const QString& why);

// A window captured alone: its outer rectangle (frame and title bar included) in device pixels
// from the primary screen's corner, and its pixels.
struct WindowShot {
    QRect frame;
    QImage picture;
};

class ScreenCapture
{
public:
    virtual ~ScreenCapture() = default;

    // The screen's pixels inside `area` (device pixels from the primary screen's corner) as an
    // RGB32 picture of exactly area.size(); what lies off the screen is black. Throws
    // CaptureFailure.
    virtual QImage grabScreen(const QRect& area) = 0;

    // The primary screen whole, in its device pixels. Throws CaptureFailure.
    virtual QImage grabPrimaryScreen()
    {
        return grabScreen(QRect(QPoint(), primaryScreen().device.size()));
    }

    // The window the person works in, frame and title bar included; none when there is none.
    // Throws CaptureFailure.
    virtual std::optional<WindowShot> grabActiveWindow() = 0;

    // Where the primary screen lies in logical coordinates and in device pixels. Where only a
    // picture tells the device pixels (a compositor's), as the last picture told them.
    virtual ScreenPixels primaryScreen() = 0;

    // Whether the compositor, not the program, decides where windows go.
    virtual bool windowsPlacedByCompositor() const = 0;

    // The device pixel under the pointer at `global` (logical), from the primary screen's corner.
    virtual QPoint pointerPixel(QPointF global);

    // Starts reading `area` now, in the background where the session allows it, for the next
    // grabScreen of the same area; where it does not, the grab happens when asked.
    virtual void startGrab(const QRect& /*area*/) {}
};

std::unique_ptr<ScreenCapture> makeX11Capture();
std::unique_ptr<ScreenCapture> makePortalCapture();
// KWin's screenshots without a dialog; `refused` serves wherever KWin does not grant them.
std::unique_ptr<ScreenCapture> makeKWinCapture(std::unique_ptr<ScreenCapture> refused);

// Something the person must know while a capture still goes on; the window tells it.
enum class CaptureNotice {
    // The desktop refuses screenshots to applications: the capture goes through its own dialog.
    ScreenshotsRefused,
};

// Who tells the notices (none: they are dropped).
void setCaptureNoticeHandler(std::function<void(CaptureNotice)> handler);
void tellCaptureNotice(CaptureNotice notice);

// The implementation that serves this session, picked once.
ScreenCapture& screenCapture();

// `area` of `picture`, with black where the area leaves the picture.
QImage cutOut(const QImage& picture, const QRect& area);

// ---- The capture of this session, for the rest of the program ----

// The screen's pixels inside `area` (device pixels from the primary screen's corner), as an
// RGB32 picture of exactly area.size(). Parts of the area that lie off the screen come out black.
// Throws CaptureFailure when the session refuses.
QImage grabScreen(const QRect& area);

// Starts reading `area` of the screen at once, while the caller goes on (building its window);
// the next grabScreen of the same area gives that picture. Elsewhere nothing happens.
void startGrabbingScreen(const QRect& area);

// The primary screen whole, in its device pixels, whatever the desktop's scale. Throws
// CaptureFailure when the session refuses.
QImage grabPrimaryScreen();

// How the primary screen's logical coordinates map to its device pixels in this session.
ScreenPixels screenPixels();

// The primary screen's size in device pixels.
QSize primaryScreenSize();

// The window the person works in; none when no window is active or its rectangle cannot be
// read. Throws CaptureFailure when the session refuses.
std::optional<WindowShot> grabActiveWindow();

// Whether the compositor, not the program, decides where windows go (Wayland): a window that
// must cover the screen is then shown full screen rather than placed and maximised.
bool windowsPlacedByCompositor();

// The device pixel, from the primary screen's corner, under the pointer of a mouse event at
// `global` (Qt's logical coordinates): exact also where Qt rounds the pointer to whole logical
// pixels, which at 150 % leaves two device pixels to choose from.
QPoint pointerPixel(QPointF global);

} // namespace platform
