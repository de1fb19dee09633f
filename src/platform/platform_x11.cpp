#include "platform/platform.h"

#include <QDir>
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
#include <sys/shm.h>

namespace platform
{

namespace
{

Display* qtDisplay()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// A picture in memory shared with the X server, so that the server writes the screen's pixels
// straight into it instead of sending them down the socket. Released on every path.
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
        segment_.shmid =
            shmget(IPC_PRIVATE, size_t(image_->bytes_per_line) * image_->height, IPC_CREAT | 0600);
        if (segment_.shmid < 0)
            return;
        void* memory = shmat(segment_.shmid, nullptr, 0);
        shmctl(segment_.shmid, IPC_RMID, nullptr); // freed once both sides let go
        if (memory == reinterpret_cast<void*>(-1))
            return;
        segment_.shmaddr = image_->data = static_cast<char*>(memory);
        segment_.readOnly = False;
        attached_ = XShmAttach(display, &segment_);
    }
    ~SharedImage()
    {
        if (attached_)
            XShmDetach(display_, &segment_);
        if (image_ && image_->data)
            shmdt(image_->data);
        if (image_) {
            image_->data = nullptr;
            XDestroyImage(image_);
        }
    }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    // The screen's pixels at `origin` into the picture; false when the server would not.
    bool grab(QPoint origin)
    {
        return attached_ && XShmGetImage(display_, DefaultRootWindow(display_), image_, origin.x(),
                                         origin.y(), AllPlanes);
    }
    const XImage* image() const { return image_; }

private:
    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool attached_ = false;
};

// Whether the server's pixels are laid out as QImage's RGB32 (the usual 24-bit true colour).
bool matchesRgb32(const XImage* image)
{
    return image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
           image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

void copyRows(const XImage* from, QImage& to, QPoint at)
{
    for (int y = 0; y < from->height; ++y) {
        const auto* source =
            reinterpret_cast<const quint32*>(from->data + qsizetype(y) * from->bytes_per_line);
        auto* target = reinterpret_cast<quint32*>(to.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < from->width; ++x)
            target[x] = source[x] | 0xFF000000u; // the server leaves the unused byte at 0
    }
}

// The screen's pixels in `area`, which lies on the screen; false when shared memory is not
// available (a display on another machine) or the layout is not RGB32.
bool grabShared(Display* display, const QRect& area, QImage& into, QPoint at)
{
    if (!XShmQueryExtension(display))
        return false;
    SharedImage shared(display, area.size());
    if (!shared.grab(area.topLeft()) || !matchesRgb32(shared.image()))
        return false;
    copyRows(shared.image(), into, at);
    return true;
}

void grabThroughQt(const QRect& area, QImage& into, QPoint at)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QImage part =
        screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    QPainter painter(&into);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(at, part);
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

} // namespace

std::optional<QRect> activeWindowFrame()
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

QImage grabScreen(const QRect& area)
{
    QImage picture(area.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    Display* display = qtDisplay();
    const QRect onScreen = area.intersected(rootRect(display));
    if (onScreen != area)
        picture.fill(Qt::black); // what lies off the screen
    if (onScreen.isEmpty())
        return picture;
    const QPoint at = onScreen.topLeft() - area.topLeft();
    if (!display || !grabShared(display, onScreen, picture, at))
        grabThroughQt(onScreen, picture, at);
    return picture;
}

QSize primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

QString roamingAppDataFolder()
{
    // the Windows folder always exists; ~/.config may not yet on a fresh account
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(folder);
    return folder;
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

bool startProgram(const QString& program, const QString& file)
{
    return QProcess::startDetached(program, {file});
}

} // namespace platform
