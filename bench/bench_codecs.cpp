// Times our JPEG and PNG encoders against cjpeg and ImageMagick's convert on the same pixels: a
// 3840x2160 picture made like a desktop, with a gradient wallpaper, windows full of text, tool
// buttons and a photo; and for PNG also on real screenshots given as PPM files (bench/run.sh
// takes them), against libpng's default adaptive filtering at our zlib level as well.
//   bench_codecs [name=screenshot.ppm ...]
#include "output/jpeg_codec.h"
#include "output/png_codec.h"

#include <png.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace
{

constexpr int Runs = 3;
constexpr int Quality = 85;

constexpr int GlyphWidth = 8, GlyphHeight = 15, LineHeight = 18;
using Glyph = std::array<quint8, std::size_t(GlyphWidth) * GlyphHeight>; // ink coverage 0..255
using Font = std::array<Glyph, 70>;

// Made-up letters: strokes of full and partial coverage, as anti-aliased text has.
Font makeFont(QRandomGenerator& random)
{
    Font font{};
    for (Glyph& glyph : font)
        for (int y = 3; y < 13; ++y)
            for (int x = 1; x < GlyphWidth - 1; ++x) {
                const int stroke = random.bounded(10);
                glyph[y * GlyphWidth + x] = stroke < 3 ? 255 : stroke < 5 ? 120 : 0;
            }
    return font;
}

QRgb mix(QRgb ink, QRgb paper, int coverage)
{
    const auto channel = [&](int i, int p) { return (i * coverage + p * (255 - coverage)) / 255; };
    return qRgb(channel(qRed(ink), qRed(paper)), channel(qGreen(ink), qGreen(paper)),
                channel(qBlue(ink), qBlue(paper)));
}

void drawGlyph(QImage& picture, QPoint at, const Glyph& glyph, QRgb ink, QRgb paper)
{
    for (int y = 0; y < GlyphHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < GlyphWidth; ++x)
            row[x] = mix(ink, paper, glyph[y * GlyphWidth + x]);
    }
}

// Lines of words of random length on `paper`.
void drawText(QImage& picture, const QRect& area, QRgb ink, QRgb paper, const Font& font,
              QRandomGenerator& random)
{
    QPainter(&picture).fillRect(area, QColor(paper));
    for (int y = area.top() + 4; y + LineHeight <= area.bottom(); y += LineHeight) {
        const int end = area.left() + random.bounded(area.width() / 2, area.width() - 12);
        for (int x = area.left() + 6; x + GlyphWidth < end; x += GlyphWidth) { // a blank
            for (int letters = random.bounded(2, 10); letters > 0 && x + GlyphWidth < end;
                 --letters, x += GlyphWidth)
                drawGlyph(picture, {x, y}, font[random.bounded(int(font.size()))], ink, paper);
        }
    }
}

// Smooth colours with a little grain, as a photo or video frame has.
void drawPhoto(QImage& picture, const QRect& area, QRandomGenerator& random)
{
    for (int y = 0; y < area.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(area.top() + y)) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            const int grain = random.bounded(7) - 3;
            row[x] = qRgb(
                std::clamp(80 + 100 * x / area.width() + grain, 0, 255),
                std::clamp(140 + 60 * (x + y) / (area.width() + area.height()) + grain, 0, 255),
                std::clamp(200 - 120 * y / area.height() + grain, 0, 255));
        }
    }
}

void drawWallpaper(QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgb(20 + 60 * y / picture.height(), 60 + 80 * x / picture.width(),
                          120 + 100 * (x + y) / (picture.width() + picture.height()));
    }
}

void drawWindow(QImage& picture, const QRect& frame, const Font& font, QRandomGenerator& random)
{
    const QRgb titleBar = qRgb(0, 84, 180);
    QPainter(&picture).fillRect(frame.adjusted(-1, -1, 1, 1), QColor(90, 90, 90));
    drawText(picture, {frame.left(), frame.top(), frame.width(), 40}, qRgb(255, 255, 255), titleBar,
             font, random);
    QPainter painter(&picture);
    painter.fillRect(frame.left(), frame.top() + 40, frame.width(), 50, QColor(240, 240, 240));
    for (int button = 0; button < 12; ++button)
        painter.fillRect(frame.left() + 10 + button * 44, frame.top() + 48, 34, 34,
                         QColor(random.bounded(256), random.bounded(256), random.bounded(256)));
    painter.end();
    drawText(picture, frame.adjusted(0, 90, 0, 0), qRgb(20, 20, 20), qRgb(255, 255, 255), font,
             random);
}

QImage desktopPicture()
{
    QRandomGenerator random(20240611);
    const Font font = makeFont(random);
    QImage picture(3840, 2160, QImage::Format_RGB32);
    drawWallpaper(picture);
    QPainter(&picture).fillRect(0, 2100, 3840, 60, QColor(32, 36, 44)); // task bar
    for (const QRect& frame :
         {QRect(100, 80, 1700, 1300), QRect(1500, 400, 2100, 1500), QRect(300, 1300, 1200, 700)})
        drawWindow(picture, frame, font, random);
    drawPhoto(picture, {2300, 700, 1000, 700}, random);
    return picture;
}

template <typename Action> double bestMilliseconds(const Action& action)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        action();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

void runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        std::exit(2);
    }
}

qint64 fileSize(const QString& path)
{
    return QFile(path).size();
}

struct Comparison {
    const char* codec;
    double ourTime, peerTime;
    qint64 ourSize, peerSize;
    const char* peer;
};

void printComparison(const Comparison& c)
{
    std::printf("%-6s %-8s %9.1f ms %9.1f ms %10.2f  %s\n", c.codec, "time", c.ourTime, c.peerTime,
                c.ourTime / c.peerTime, c.peer);
    std::printf("%-6s %-8s %10lld B %10lld B %10.2f\n", c.codec, "size", c.ourSize, c.peerSize,
                double(c.ourSize) / double(c.peerSize));
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void appendPngBytes(png_structp png, png_bytep data, size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// Plain libpng as most programs call it: default (adaptive) filtering, zlib at `level`.
QByteArray libpngDefault(const QImage& picture, int level)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendPngBytes, nullptr);
    png_set_IHDR(png, info, png_uint_32(rgb.width()), png_uint_32(rgb.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    png_write_info(png, info);
    for (int y = 0; y < rgb.height(); ++y)
        png_write_row(png, rgb.constScanLine(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

constexpr int OurPngLevel = 5;
constexpr int UsualPngLevel = 6;    // zlib's default, which libpng and most programs keep
constexpr double PngTimeGoal = 0.3; // of convert's

// Ours against convert (time and size) and against libpng's defaults (size and time), with the
// goals: no larger than libpng's defaults at our zlib level, at most 0.3x convert's time. The
// size at zlib's usual level, which the peers' files have, is shown beside it.
void comparePng(const QString& name, const QImage& picture, const QString& ppm,
                const QString& folder)
{
    QByteArray ours, plain;
    const QString peerPng = folder + "/convert.png";
    const double ourTime = bestMilliseconds([&] { ours = encodePng(picture); });
    const double plainTime = bestMilliseconds([&] { plain = libpngDefault(picture, OurPngLevel); });
    const qint64 usualSize = libpngDefault(picture, UsualPngLevel).size();
    const double peerTime = bestMilliseconds([&] { runTool("convert", {ppm, peerPng}); });
    const qint64 peerSize = fileSize(peerPng);
    const bool smallEnough = ours.size() <= plain.size();
    const bool quickEnough = ourTime <= PngTimeGoal * peerTime;
    std::printf("PNG %-8s ours %9lld B %7.1f ms | libpng default level %d %9lld B %7.1f ms | "
                "convert %9lld B %7.1f ms\n",
                qPrintable(name), qint64(ours.size()), ourTime, OurPngLevel, qint64(plain.size()),
                plainTime, peerSize, peerTime);
    std::printf("PNG %-8s size %.3fx libpng's default at level %d (goal <= 1): %s; %.3fx at level "
                "%d, %.3fx convert's; time %.2fx convert's (goal <= %.1f): %s\n",
                qPrintable(name), double(ours.size()) / double(plain.size()), OurPngLevel,
                verdict(smallEnough), double(ours.size()) / double(usualSize), UsualPngLevel,
                double(ours.size()) / double(peerSize), ourTime / peerTime, PngTimeGoal,
                verdict(quickEnough));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const QImage picture = desktopPicture();
    const QString ppm = dir.filePath("desktop.ppm");
    if (!picture.save(ppm, "PPM"))
        return 2;

    QByteArray jpeg;
    const QString peerJpeg = dir.filePath("cjpeg.jpg");
    const Comparison jpegs{
        "JPEG",
        bestMilliseconds([&] { jpeg = encodeJpeg(picture, Quality); }),
        bestMilliseconds([&] {
            runTool("cjpeg", {"-quality", QString::number(Quality), "-outfile", peerJpeg, ppm});
        }),
        jpeg.size(),
        fileSize(peerJpeg),
        "cjpeg -quality 85"};
    std::printf("%dx%d desktop-like picture, best of %d runs\n\n", picture.width(),
                picture.height(), Runs);
    std::printf("%-6s %-8s %12s %12s %10s  %s\n", "codec", "measure", "ours", "peer", "ours/peer",
                "peer command");
    printComparison(jpegs);
    std::printf("JPEG no slower than cjpeg:            %s\n\n",
                verdict(jpegs.ourTime <= jpegs.peerTime));

    comparePng("made-up", picture, ppm, dir.path());
    for (const QString& argument : application.arguments().mid(1)) {
        const QString name = argument.section('=', 0, 0), path = argument.section('=', 1);
        const QImage screenshot(path);
        if (screenshot.isNull()) {
            std::fprintf(stderr, "cannot read the screenshot %s\n", qPrintable(path));
            return 2;
        }
        comparePng(name, screenshot.convertToFormat(QImage::Format_RGB32), path, dir.path());
    }
    return 0; // each goal's verdict is printed; failing is for a benchmark that could not run
}
