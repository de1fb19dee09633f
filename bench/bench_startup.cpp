// Time from launching a program to its first shown top-level window, for Framegrove and for a
// bare Qt window, in one run. Run on a display without a window manager, so that the program's
// own window is mapped straight onto the root window.
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <X11/Xlib.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

// Milliseconds until a window larger than 100 x 100 is mapped on the root.
double launchToMappedMs(Display* display, const QString& program)
{
    XSync(display, True); // drop events of earlier runs
    QElapsedTimer clock;
    QProcess process;
    clock.start();
    process.start(program, QStringList());
    double result = -1;
    while (clock.elapsed() < 10000 && result < 0) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify)
                continue;
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, event.xmap.window, &attributes) &&
                attributes.width > 100 && attributes.height > 100)
                result = double(clock.nsecsElapsed()) / 1e6;
        }
        if (result < 0)
            process.waitForFinished(1);
    }
    process.kill();
    process.waitForFinished(5000);
    return result;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <framegrove> <bare window program>\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    const QString framegrove = QString::fromLocal8Bit(argv[1]);
    const QString bareWindow = QString::fromLocal8Bit(argv[2]);
    std::vector<double> ours, bare;
    for (int run = 0; run < 9; ++run) {
        bare.push_back(launchToMappedMs(display, bareWindow));
        ours.push_back(launchToMappedMs(display, framegrove));
    }
    const double o = median(ours), b = median(bare);
    std::printf("%-34s %9.1f ms   %-30s %9.1f ms   ratio %5.2f\n",
                "Framegrove to shown main window", o, "bare Qt window", b, o / b);
    XCloseDisplay(display);
    return o > 0 && b > 0 ? 0 : 1;
}
