#include "edit/gray_scale.h"

#include <algorithm>

// x86 processors differ in the width of their vector units, so the loop is built for each and the
// widest present picked at start; other processors get the one build their compiler targets.
#if defined(__x86_64__) || defined(__i386__)
#define FG_WIDEST_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define FG_WIDEST_VECTORS
#endif

namespace
{

// One row with plain 32-bit arithmetic and no table or branch, so that the compiler turns the
// loop into vector code.
FG_WIDEST_VECTORS void grayRow(quint32* row, int width, quint32 transparent, int brightness)
{
    for (int x = 0; x < width; ++x) {
        const quint32 pixel = row[x];
        const int sum = int((pixel >> 16) & 0xFF) + int((pixel >> 8) & 0xFF) + int(pixel & 0xFF);
        // sum / 3 for every sum up to 765, without a division
        const int gray = std::clamp(((sum * 43691) >> 17) + brightness, 0, 255);
        const quint32 grayPixel = 0xFF000000u | quint32(gray) * 0x010101u;
        row[x] = (pixel & 0xFFFFFFu) == transparent ? pixel : grayPixel;
    }
}

void grayRows(QImage& work, int brightness)
{
    const quint32 transparent = work.pixel(0, work.height() - 1) & 0xFFFFFFu;
    for (int y = 0; y < work.height(); ++y)
        grayRow(reinterpret_cast<quint32*>(work.scanLine(y)), work.width(), transparent,
                brightness);
}

} // namespace

void ConvertToGrayScale(QImage* source, QImage* destination, int brightness)
{
    if (!source)
        return;
    QImage& target = destination ? *destination : *source;
    QImage work = source->convertToFormat(QImage::Format_RGB32);
    // converting in place: let go of the old picture first so the rows are not copied again
    if (&target == source)
        *source = QImage();
    if (!work.isNull())
        grayRows(work, brightness);
    target = std::move(work);
}
