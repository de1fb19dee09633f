#include "platform/platform.h"
#include "platform/qt_x11_display.h"
#include "platform/screen_capture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <utility>

namespace platform
{

namespace
{

// A picture in memory shared with the X server, so that the server writes the screen's pixels
// straight into it instead of sending them down the socket; the memory then becomes the picture's
// own. Released on every path.
class SharedImage
{
public:
    SharedImage(Display* display, QSize size) : display_(display)
    {
        const int screen = DefaultScreen(display);
        image_ =
            XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                            ZPixmap, nullptr, &segment_, size.width(), size.height());
        if (!image_)
            return;
        const size_t bytes = size_t(image_->bytes_per_line) * image_->height;
        segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (segment_.shmid < 0)
            return;
        void* memory = shmat(segment_.shmid, nullptr, 0);
        shmctl(segment_.shmid, IPC_RMID, nullptr); // freed once both sides let go
        if (memory == reinterpret_cast<void*>(-1))
            return;
        // map all pages at once: one call instead of a fault for every page touched later
        madvise(memory, bytes, MADV_POPULATE_WRITE);
        segment_.shmaddr = image_->data = static_cast<char*>(memory);
        segment_.readOnly = False;
        attached_ = XShmAttach(display, &segment_);
    }
    ~SharedImage()
    {
        letServerGo();
        if (image_ && image_->data)
            shmdt(image_->data);
        if (image_) {
            image_->data = nullptr;
            XDestroyImage(image_);
        }
    }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    // The screen's pixels at `origin` into the memory; false when the server would not or the
    // layout is not RGB32's.
    bool grab(QPoint origin)
    {
        return attached_ && matchesRgb32() &&
               XShmGetImage(display_, DefaultRootWindow(display_), image_, origin.x(), origin.y(),
                            AllPlanes);
    }

    // The grabbed pixels as an opaque picture that owns the memory from now on.
    QImage takePicture()
    {
        letServerGo();
        uchar* data = reinterpret_cast<uchar*>(std::exchange(image_->data, nullptr));
        QImage picture(
            data, image_->width, image_->height, image_->bytes_per_line, QImage::Format_RGB32,
            [](void* memory) { shmdt(memory); }, data);
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                row[x] |= 0xFF000000u; // the server leaves the unused byte at 0
        }
        return picture;
    }

private:
    bool matchesRgb32() const
    {
        return image_->bits_per_pixel == 32 && image_->byte_order == LSBFirst &&
               image_->red_mask == 0xFF0000 && image_->green_mask == 0xFF00 &&
               image_->blue_mask == 0xFF;
    }
    void letServerGo()
    {
        if (attached_)
            XShmDetach(display_, &segment_);
        XSync(display_, False);
        attached_ = false;
    }

    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool attached_ = false;
};

// The screen's pixels in `area`, which lies on the screen; a null picture when shared memory is
// not available (a display on another machine) or the layout is not RGB32.
QImage grabShared(Display* display, const QRect& area)
{
    if (!XShmQueryExtension(display))
        return {};
    SharedImage shared(display, area.size());
    return shared.grab(area.topLeft()) ? shared.takePicture() : QImage();
}

QImage grabThroughQt(const QRect& area)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

QRect rootRect(Display* display)
{
    if (display)
        return QRect(0, 0, DisplayWidth(display, DefaultScreen(display)),
                     DisplayHeight(display, DefaultScreen(display)));
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

// While it lives, X errors (a window that closed a moment ago) are noted instead of ending the
// program, which is what Xlib does with them by default.
class XErrorTrap
{
public:
    explicit XErrorTrap(Display* display) : display_(display)
    {
        XSync(display_, False);
        failed_ = false;
        previous_ = XSetErrorHandler(&XErrorTrap::note);
    }
    ~XErrorTrap()
    {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    bool failed()
    {
        XSync(display_, False);
        return failed_;
    }

private:
    static int note(Display*, XErrorEvent*)
    {
        failed_ = true;
        return 0;
    }
    static inline bool failed_ = false;
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

// The window the window manager calls active, or the one with the input focus.
Window activeWindow(Display* display)
{
    Window active = None;
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (property != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && count == 1 && format == 32)
            active = *reinterpret_cast<Window*>(data);
        if (data)
            XFree(data);
    }
    if (active == None) {
        int revert = 0;
        XGetInputFocus(display, &active, &revert);
        if (active == PointerRoot)
            active = None;
    }
    return active;
}

// The window's ancestor that is a child of the root: the frame the window manager put around it.
Window topLevelFrame(Display* display, Window window)
{
    const Window root = DefaultRootWindow(display);
    while (window != None && window != root) {
        Window rootReturn = None, parent = None, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
            return None;
        if (children)
            XFree(children);
        if (parent == root)
            return window;
        window = parent;
    }
    return None;
}

// The screen of an X11 server, read through the server itself.
class X11Capture : public ScreenCapture
{
public:
    QImage grabScreen(const QRect& area) override;
    std::optional<WindowShot> grabActiveWindow() override;
    QSize primaryScreenSize() override;
    bool windowsPlacedByCompositor() const override { return false; }

private:
    std::optional<QRect> activeWindowFrame();
};

} // namespace

std::optional<QRect> X11Capture::activeWindowFrame()
{
    Display* display = qtDisplay();
    if (!display)
        return std::nullopt;
    XErrorTrap trap(display);
    const Window frame = topLevelFrame(display, activeWindow(display));
    XWindowAttributes attributes{};
    if (frame == None || !XGetWindowAttributes(display, frame, &attributes) || trap.failed() ||
        attributes.map_state != IsViewable)
        return std::nullopt;
    const int border = attributes.border_width;
    return QRect(attributes.x, attributes.y, attributes.width + 2 * border,
                 attributes.height + 2 * border);
}

std::optional<WindowShot> X11Capture::grabActiveWindow()
{
    const std::optional<QRect> frame = activeWindowFrame();
    if (!frame)
        return std::nullopt;
    return WindowShot{*frame, grabScreen(*frame)};
}

QImage X11Capture::grabScreen(const QRect& area)
{
    if (area.isEmpty())
        return QImage(area.size(), QImage::Format_RGB32);
    Display* display = qtDisplay();
    const QRect onScreen = area.intersected(rootRect(display));
    QImage part;
    if (!onScreen.isEmpty()) {
        part = display ? grabShared(display, onScreen) : QImage();
        if (part.isNull())
            part = grabThroughQt(onScreen);
    }
    if (onScreen == area && part.format() == QImage::Format_RGB32)
        return part; // the usual case: the pixels as the server gave them, not copied again
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::black); // what lies off the screen
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(onScreen.topLeft() - area.topLeft(), part);
    return picture;
}

QSize X11Capture::primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

QString systemFolder()
{
    return QStringLiteral("/usr/bin");
}

QString findPaintProgram(const QString&)
{
    static const char* const programs[] = {"kolourpaint", "pinta", "mtpaint",
                                           "drawing",     "gimp",  "krita"};
    for (const char* name : programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

std::unique_ptr<ScreenCapture> makeX11Capture()
{
    return std::make_unique<X11Capture>();
}

bool startProgram(const QString& program, const QString& file)
{
    return QProcess::startDetached(program, {file});
}

} // namespace platform
