// Gray scale and the screen grab against a plain memory copy of the same bytes, and the grab
// against ImageMagick's `import` of the same screen, measured in one run. Needs a display.
#include "best_time.h"
#include "edit/gray_scale.h"
#include "platform/screen_capture.h"

#include <QGuiApplication>
#include <QProcess>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

QImage screenshotLike(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = (y % 40 < 30) ? 0xFFF0F0F0u : 0xFF000000u | quint32(x * 7 + y * 13);
    }
    return picture;
}

void report(const char* what, double ours, const char* against, double reference)
{
    std::printf("%-34s %9.2f ms   %-30s %9.2f ms   ratio %5.2f\n", what, ours, against, reference,
                ours / reference);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);

    const QImage source = screenshotLike(QSize(3840, 2160));
    // in place, as the main window converts its picture
    const double grayMs = bestMs(5, [&] {
        QImage work = source.copy();
        ConvertToGrayScale(&work, &work, 0);
    });
    const double copyGrayMs = bestMs(5, [&] { QImage work = source.copy(); });
    std::vector<uchar> target(source.sizeInBytes());
    const double memcpyMs =
        bestMs(5, [&] { std::memcpy(target.data(), source.constBits(), target.size()); });
    report("gray scale 3840x2160", grayMs - copyGrayMs, "memcpy of the same bytes", memcpyMs);

    const QSize screen = platform::primaryScreenSize();
    char what[64];
    const double firstGrabMs = bestMs(1, [&] { platform::grabPrimaryScreen(); });
    const double grabMs = bestMs(20, [&] { platform::grabPrimaryScreen(); });
    std::vector<uchar> from(size_t(screen.width()) * screen.height() * 4, 1), to(from.size());
    const double screenCopyMs =
        bestMs(20, [&] { std::memcpy(to.data(), from.data(), from.size()); });
    std::snprintf(what, sizeof what, "GrabScreen %dx%d after the first", screen.width(),
                  screen.height());
    report(what, grabMs, "memcpy of the same bytes", screenCopyMs);
    // a 2560x1600 screen at 200 % has 4 megapixels, and its grab is to cost 2 ms at most
    const double perFourMegapixels = grabMs * 4e6 / (double(screen.width()) * screen.height());
    std::printf("%-34s %9.2f ms   goal at most 2 ms (scale %.2f): %s\n", "  per 4 megapixels",
                perFourMegapixels, platform::screenPixels().scale,
                perFourMegapixels <= 2 ? "met" : "missed");
    std::snprintf(what, sizeof what, "first GrabScreen %dx%d", screen.width(), screen.height());
    report(what, firstGrabMs, "a grab after the first", grabMs);
    const double importMs = bestMs(3, [] {
        QProcess import;
        import.setStandardOutputFile(QProcess::nullDevice());
        import.start("import", {"-window", "root", "rgb:-"});
        import.waitForFinished(60000);
    });
    std::snprintf(what, sizeof what, "GrabScreen %dx%d", screen.width(), screen.height());
    report(what, grabMs, "import -window root rgb:-", importMs);
    return 0;
}
