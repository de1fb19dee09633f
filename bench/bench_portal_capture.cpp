// The screen grab of a Wayland session (through the screenshot portal) against a grim process
// writing a PNG of the same screen, measured in one run. Runs inside scripts/wayland-bed.sh.
#include "best_time.h"
#include "platform/screen_capture.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QSize screen = platform::primaryScreenSize();
    const double oursMs = bestMs(5, [&] { platform::grabScreen(QRect(QPoint(0, 0), screen)); });
    const QString file = QDir::temp().filePath("bench-grim.png");
    const double grimMs = bestMs(5, [&] {
        QProcess grim;
        grim.start("grim", {"-t", "png", file});
        grim.waitForFinished(60000);
    });
    QFile::remove(file);
    std::printf(
        "%-34s %9.2f ms   %-30s %9.2f ms   ratio %5.2f\n",
        qPrintable(QString("GrabScreen %1x%2 (portal)").arg(screen.width()).arg(screen.height())),
        oursMs, "grim writing PNG", grimMs, oursMs / grimMs);
    return 0;
}
