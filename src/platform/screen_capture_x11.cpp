#include "platform/qt_x11_display.h"
#include "platform/screen_capture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <future>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform
{

namespace
{

// Qt's grab, where the server shares no memory: it counts in logical pixels from the primary
// screen's corner, and gives the device pixels behind them.
QImage grabThroughQt(const QRect& area, const ScreenPixels& pixels)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect device = area.translated(-pixels.device.topLeft());
    const QRect logical(devicePixelAt(device.topLeft(), 1 / pixels.scale),
                        logicalSizeFor(device.size(), pixels.scale));
    QImage picture =
        screen->grabWindow(0, logical.x(), logical.y(), logical.width(), logical.height())
            .toImage();
    picture.setDevicePixelRatio(1);
    return picture.size() == area.size() ? picture : picture.copy(QRect(QPoint(), area.size()));
}

// The monitor RandR calls primary, else its first, in the root window's pixels; none where the
// server keeps no monitors.
QRect primaryMonitor(Display* display)
{
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
        major * 100 + minor < 105)
        return {};
    int count = 0;
    const std::unique_ptr<XRRMonitorInfo, decltype(&XRRFreeMonitors)> monitors(
        XRRGetMonitors(display, DefaultRootWindow(display), True, &count), &XRRFreeMonitors);
    if (!monitors || count <= 0)
        return {};
    const XRRMonitorInfo* primary = &monitors.get()[0];
    for (int i = 0; i < count; ++i)
        if (monitors.get()[i].primary)
            primary = &monitors.get()[i];
    return QRect(primary->x, primary->y, primary->width, primary->height);
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
    static inline bool failed_ = false; // static: Xlib's handler carries no state of ours
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

// Memory shared with the X server, attached once and kept for the program's life: the server
// faults in the pages of a fresh segment on its first write into it (about 15 ms for a
// 1280 x 1024 screen), so every grab after the first costs about a memory copy.
class SharedSegment
{
public:
    SharedSegment(Display* display, size_t bytes) : display_(display), bytes_(bytes)
    {
        info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (info_.shmid < 0)
            return;
        void* memory = shmat(info_.shmid, nullptr, 0);
        shmctl(info_.shmid, IPC_RMID, nullptr); // freed once both sides let go
        // shmat's documented failure value; nothing is optimised away by the cast
        if (memory == reinterpret_cast<void*>(-1)) // NOLINT(performance-no-int-to-ptr)
            return;
        info_.shmaddr = static_cast<char*>(memory);
        info_.readOnly = False;
        XErrorTrap trap(display); // a server on another machine refuses to attach
        attached_ = XShmAttach(display, &info_) && !trap.failed();
    }
    ~SharedSegment()
    {
        if (attached_) {
            XShmDetach(display_, &info_);
            XSync(display_, False);
        }
        if (info_.shmaddr)
            shmdt(info_.shmaddr);
    }
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    bool fits(Display* display, size_t bytes) const
    {
        return display == display_ && attached_ && bytes <= bytes_;
    }
    XShmSegmentInfo* info() { return &info_; }

    // The server's connection is closed: the memory alone is let go.
    void forgetServer() { attached_ = false; }

    // The server lets go of the segment and the memory is handed over: its new owner detaches
    // it with shmdt().
    char* handOver()
    {
        if (attached_) {
            XShmDetach(display_, &info_);
            XSync(display_, False);
            attached_ = false;
        }
        return std::exchange(info_.shmaddr, nullptr);
    }

private:
    Display* display_;
    size_t bytes_;
    XShmSegmentInfo info_{};
    bool attached_ = false;
};

// Segments whose pictures are gone, kept to be written again: the server and we have faulted
// their pages in already, so a grab into one costs about a memory copy, and its picture is the
// segment itself, not a copy. A picture still shown holds its segment; the next grab takes the
// other one. Pictures may go on any thread: the pool only collects there, and lets go of
// segments on the thread that grabs.
class SegmentPool
{
public:
    static SegmentPool& instance()
    {
        static SegmentPool pool;
        return pool;
    }

    // A segment of at least `bytes` for `display`; none where the server shares no memory.
    std::unique_ptr<SharedSegment> take(Display* display, size_t bytes)
    {
        std::unique_ptr<SharedSegment> found;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!registered_) {
                registered_ = true;
                qAddPostRoutine([] { instance().close(); }); // while the display is still open
            }
            for (auto& segment : free_)
                if (!found && segment->fits(display, bytes))
                    found = std::move(segment);
            free_.erase(std::remove(free_.begin(), free_.end(), nullptr), free_.end());
            spare_.swap(free_); // two at most are in use at once; the rest go, outside the lock
        }
        spare_.clear();
        if (!found)
            found = std::make_unique<SharedSegment>(display, bytes);
        return found->fits(display, bytes) ? std::move(found) : nullptr;
    }

    void giveBack(SharedSegment* segment)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            segment->forgetServer(); // the connection is gone: only the memory is let go
            delete segment;
            return;
        }
        free_.emplace_back(segment);
    }

private:
    void close()
    {
        std::vector<std::unique_ptr<SharedSegment>> closing;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
            closing.swap(free_);
        }
    }

    std::mutex mutex_;
    std::vector<std::unique_ptr<SharedSegment>> free_, spare_;
    bool registered_ = false, closed_ = false;
};

// An image header laid over the kept segment; the memory is not its own.
struct SegmentImageDeleter {
    void operator()(XImage* image) const
    {
        image->data = nullptr;
        XDestroyImage(image);
    }
};
using SegmentImage = std::unique_ptr<XImage, SegmentImageDeleter>;

bool matchesRgb32(const XImage& image)
{
    return image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
           image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

// Makes the grabbed pixels opaque in place: the server leaves the unused top byte at 0.
void makeOpaque(const XImage& image)
{
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.data + size_t(y) * image.bytes_per_line);
        for (int x = 0; x < image.width; ++x)
            row[x] |= 0xFF000000u;
    }
}

// The picture made of a pooled segment's memory; the segment returns to the pool when the
// picture's last copy goes.
QImage pooledPicture(std::unique_ptr<SharedSegment> segment, const XImage& image)
{
    makeOpaque(image);
    const auto giveBack = [](void* info) {
        SegmentPool::instance().giveBack(static_cast<SharedSegment*>(info));
    };
    return QImage(reinterpret_cast<uchar*>(image.data), image.width, image.height,
                  image.bytes_per_line, QImage::Format_RGB32, giveBack, segment.release());
}

// The server's pixels of `area` in `segment`, as an image laid over it; null when the layout is
// not RGB32 or the server refuses.
SegmentImage grabInto(Display* display, SharedSegment& segment, const QRect& area, size_t bytes)
{
    const int screen = DefaultScreen(display);
    SegmentImage image(XShmCreateImage(
        display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
        segment.info()->shmaddr, segment.info(), area.width(), area.height()));
    if (!image || !matchesRgb32(*image) || size_t(image->bytes_per_line) * image->height > bytes)
        return nullptr;
    if (!XShmGetImage(display, DefaultRootWindow(display), image.get(), area.x(), area.y(),
                      AllPlanes))
        return nullptr;
    return image;
}

// The picture made of the segment's own memory, opaque in place, detached when the picture
// goes.
QImage pictureOwning(SharedSegment& segment, const XImage& image)
{
    makeOpaque(image);
    const auto detach = [](void* memory) { shmdt(memory); };
    char* memory = segment.handOver();
    return QImage(reinterpret_cast<uchar*>(memory), image.width, image.height, image.bytes_per_line,
                  QImage::Format_RGB32, detach, memory);
}

// The first grab, at start-up: a fresh segment costs the server a page fault for each page it
// writes, and a fresh picture to copy into costs as much again. So the first grab's segment
// becomes its picture, and the kept segment is made by the second grab.
QImage grabFirst(Display* display, const QRect& area)
{
    const size_t bytes = size_t(area.width()) * area.height() * 4;
    SharedSegment segment(display, bytes);
    if (!segment.fits(display, bytes))
        return {};
    const SegmentImage image = grabInto(display, segment, area, bytes);
    return image ? pictureOwning(segment, *image) : QImage();
}

// The screen's pixels in `area`, which lies on the screen `root`; a null picture when shared
// memory is not available (a display on another machine) or the layout is not RGB32.
QImage grabShared(Display* display, const QRect& area, const QRect& root, bool first)
{
    if (!XShmQueryExtension(display))
        return {};
    if (first)
        return grabFirst(display, area);
    const size_t bytes = size_t(root.width()) * root.height() * 4;
    std::unique_ptr<SharedSegment> segment = SegmentPool::instance().take(display, bytes);
    if (!segment)
        return {};
    const SegmentImage image = grabInto(display, *segment, area, bytes);
    if (!image) {
        SegmentPool::instance().giveBack(segment.release());
        return {};
    }
    const QImage picture = pooledPicture(std::move(segment), *image);
    // a window's picture is not to hold a whole screen's memory while it lives
    return size_t(picture.sizeInBytes()) < bytes / 4 ? picture.copy() : picture;
}

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
    ScreenPixels primaryScreen() override;
    bool windowsPlacedByCompositor() const override { return false; }
    void startGrab(const QRect& area) override;
    QPoint pointerPixel(QPointF global) override;

private:
    std::optional<QRect> activeWindowFrame();
    QImage takeStartedGrab(const QRect& area);

    bool firstGrabDone_ = false;
    QRect startedArea_;
    std::future<QImage> started_;
};

} // namespace

void X11Capture::startGrab(const QRect& asked)
{
    Display* display = qtDisplay();
    if (!display)
        return;
    const QRect area = asked.translated(primaryScreen().device.topLeft());
    if (started_.valid() || area.isEmpty() || !rootRect(display).contains(area) ||
        !XShmQueryExtension(display))
        return;
    startedArea_ = area;
    firstGrabDone_ = true; // the next grab makes the kept segment
    // Fresh memory costs the server and us a page fault for every page: the grab is done as a
    // first one, on the other core and a connection of its own, while the caller goes on.
    started_ = std::async(std::launch::async, [name = QByteArray(DisplayString(display)), area] {
        const std::unique_ptr<Display, int (*)(Display*)> own(XOpenDisplay(name.constData()),
                                                              &XCloseDisplay);
        return own ? grabFirst(own.get(), area) : QImage();
    });
}

// The started grab when it was of `area`, waiting for it; none when there was none. The grab
// is settled in any case, so that nothing else reads the server meanwhile.
QImage X11Capture::takeStartedGrab(const QRect& area)
{
    if (!started_.valid())
        return {};
    QImage picture = started_.get();
    return area == startedArea_ ? picture : QImage();
}

std::optional<QRect> X11Capture::activeWindowFrame()
{
    Display* display = qtDisplay();
    if (!display)
        return std::nullopt;
    takeStartedGrab(QRect());
    XErrorTrap trap(display);
    const Window frame = topLevelFrame(display, activeWindow(display));
    XWindowAttributes attributes{};
    if (frame == None || !XGetWindowAttributes(display, frame, &attributes) || trap.failed() ||
        attributes.map_state != IsViewable)
        return std::nullopt;
    const int border = attributes.border_width;
    return QRect(attributes.x, attributes.y, attributes.width + 2 * border,
                 attributes.height + 2 * border)
        .translated(-primaryScreen().device.topLeft());
}

std::optional<WindowShot> X11Capture::grabActiveWindow()
{
    const std::optional<QRect> frame = activeWindowFrame();
    if (!frame)
        return std::nullopt;
    return WindowShot{*frame, grabScreen(*frame)};
}

QImage X11Capture::grabScreen(const QRect& asked)
{
    if (asked.isEmpty())
        return QImage(asked.size(), QImage::Format_RGB32);
    const ScreenPixels pixels = primaryScreen();
    const QRect area = asked.translated(pixels.device.topLeft()); // in the root window
    QImage started = takeStartedGrab(area);
    if (!started.isNull())
        return started;
    Display* display = qtDisplay();
    const QRect root = rootRect(display);
    const QRect onScreen = area.intersected(root);
    QImage part;
    if (!onScreen.isEmpty()) {
        const bool first = !std::exchange(firstGrabDone_, true);
        part = display ? grabShared(display, onScreen, root, first) : QImage();
        if (part.isNull())
            part = grabThroughQt(onScreen, pixels);
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

ScreenPixels X11Capture::primaryScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect logical = screen ? screen->geometry() : QRect();
    const qreal factor = screen ? screen->devicePixelRatio() : 1.0;
    Display* display = qtDisplay();
    QRect device = display ? primaryMonitor(display) : QRect();
    if (device.isEmpty()) // Qt keeps a screen's corner in the server's pixels
        device = QRect(logical.topLeft(),
                       QSize(qRound(logical.width() * factor), qRound(logical.height() * factor)));
    return pixelsByFactor(logical, device, factor);
}

QPoint X11Capture::pointerPixel(QPointF global)
{
    // Qt gives the pointer in whole logical pixels; the server has it in device pixels, and
    // where it still lies under the event's logical pixel, it is the pixel the event was at
    const ScreenPixels pixels = primaryScreen();
    Display* display = qtDisplay();
    Window root = None, child = None;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    if (!display || !XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y,
                                   &windowX, &windowY, &buttons))
        return ScreenCapture::pointerPixel(global);
    const QPoint device = QPoint(x, y) - pixels.device.topLeft();
    const QPointF logical = pixels.logical.topLeft() + QPointF(device) / pixels.scale;
    if (logical.toPoint() != global.toPoint())
        return ScreenCapture::pointerPixel(global);
    return device;
}

std::unique_ptr<ScreenCapture> makeX11Capture()
{
    return std::make_unique<X11Capture>();
}

} // namespace platform
