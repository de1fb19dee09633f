// Times the batch conversion against ImageMagick's mogrify on the same 50 screenshot-sized
// (1280 x 1024, 24-bit) bitmaps, both ways, through the run the dialog wires (ConvertFiles), and
// prints the peak memory after 10 and after 50 files.
#include "output/bmp_writer.h"
#include "tools/batch_conversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace
{

constexpr int Files = 50;

// A desktop: a gradient, windows with lines of text-like detail, a photo-like noisy area.
QImage screenshot(int seed)
{
    QImage picture(1280, 1024, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgb(40 + x / 8, 60 + y / 8, 140);
    }
    QPainter painter(&picture);
    for (int w = 0; w < 4; ++w) {
        const QRect window(40 + 280 * w, 60 + 90 * w, 560, 520);
        painter.fillRect(window, QColor(245, 245, 245));
        painter.fillRect(window.adjusted(0, 0, 0, -window.height() + 28), QColor(50, 90, 170));
        for (int line = 40; line < window.height() - 10; line += 18)
            for (int x = 10; x < window.width() - 20; x += 6 + int(random.bounded(5)))
                painter.fillRect(window.x() + x, window.y() + line, 4, 10,
                                 QColor::fromRgb(random.bounded(80), random.bounded(80), 90));
    }
    for (int y = 700; y < 1000; ++y)
        for (int x = 900; x < 1250; ++x)
            picture.setPixel(x, y, qRgb(120 + random.bounded(60), 90 + x % 50, y % 200));
    return picture.convertToFormat(QImage::Format_BGR888); // written as 24-bit
}

long peakRssKb()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

double mogrify(const QString& folder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QElapsedTimer timer;
    timer.start();
    process.start("mogrify", arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "mogrify failed: %s\n", process.readAllStandardError().constData());
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

void copyMatching(const QString& from, const QString& to, const QString& pattern)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from, pattern).entryList(QDir::Files))
        QFile::copy(from + "/" + name, to + "/" + name);
}

// Starts the peak anew, so that each direction shows its own.
void resetPeakRss()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// One direction, every file of the folder; the time in ms. Exits when a file is not converted.
double convert(const QString& folder, const QString& from, const QString& to, long& rssAfter10)
{
    const QStringList names = QDir(folder, "*" + from).entryList(QDir::Files);
    resetPeakRss();
    QElapsedTimer timer;
    timer.start();
    ConvertFiles(folder + "/*" + from, folder + "/*" + to, names,
                 [&](const ConversionResult& result) {
                     if (result.outcome != ConversionResult::Outcome::Converted) {
                         std::fprintf(stderr, "%s not converted: %s\n", qPrintable(result.source),
                                      qPrintable(result.reason));
                         std::exit(1);
                     }
                     if (QFileInfo(result.source).fileName() == names.value(9))
                         rssAfter10 = peakRssKb();
                     return true;
                 });
    return double(timer.nsecsElapsed()) / 1e6;
}

// `goal`: how many times faster than mogrify the direction must be, if it has a goal.
void report(const char* direction, double ours, double theirs, long rss10, long rss50, double goal)
{
    std::printf("%-14s ours %7.1f ms/file %6.1f files/s   mogrify %7.1f ms/file %6.1f files/s"
                "   ratio %.2fx\n",
                direction, ours / Files, Files * 1000 / ours, theirs / Files, Files * 1000 / theirs,
                theirs / ours);
    std::printf("%-14s peak RSS after 10 files %ld MB, after 50 files %ld MB\n", direction,
                rss10 / 1024, rss50 / 1024);
    if (goal > 0)
        std::printf("%-14s %.2fx mogrify's speed (goal >= %.1fx): %s\n", direction, theirs / ours,
                    goal, theirs / ours >= goal ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const QString ours = root.filePath("ours"), theirs = root.filePath("mogrify");
    QDir().mkpath(ours);
    for (int i = 0; i < Files; ++i) {
        QFile file(QString("%1/shot%2.bmp").arg(ours).arg(i, 2, 10, QChar('0')));
        file.open(QIODevice::WriteOnly);
        file.write(encodeBmp(screenshot(i)));
    }
    copyMatching(ours, theirs, "*.bmp");

    long rss10 = 0;
    const double toJpeg = convert(ours, ".bmp", ".JPG", rss10);
    const long rss50 = peakRssKb();
    const double peerToJpeg = mogrify(theirs, {"-format", "jpg", "-quality", "100", "*.bmp"});
    report("BMP to JPEG", toJpeg, peerToJpeg, rss10, rss50, 0);

    // back, from the same JPEGs: ours made them, each side works on a copy
    const QString oursBack = root.filePath("ours-back"), theirsBack = root.filePath("mogrify-back");
    copyMatching(ours, oursBack, "*.JPG");
    copyMatching(ours, theirsBack, "*.JPG");
    long backRss10 = 0;
    const double toBmp = convert(oursBack, ".JPG", ".BMP", backRss10);
    const long backRss50 = peakRssKb();
    const double peerToBmp = mogrify(theirsBack, {"-format", "bmp", "*.JPG"});
    report("JPEG to BMP", toBmp, peerToBmp, backRss10, backRss50, 2.0);
    return 0;
}
