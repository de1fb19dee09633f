#include "edit/gray_scale.h"

#include <algorithm>
#include <array>

namespace {

using GrayTable = std::array<quint32, 766>;

// The finished RGB32 pixel for every possible sum of the three components.
GrayTable grayTable(int brightness)
{
    GrayTable table{};
    for (int sum = 0; sum < int(table.size()); ++sum) {
        const quint32 gray = quint32(std::clamp(sum / 3 + brightness, 0, 255));
        table[sum] = 0xFF000000u | gray * 0x010101u;
    }
    return table;
}

void grayRows(QImage& work, int brightness)
{
    const GrayTable table = grayTable(brightness);
    const int width = work.width();
    const quint32 transparent = work.pixel(0, work.height() - 1) & 0xFFFFFFu;
    for (int y = 0; y < work.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(work.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 pixel = row[x];
            const quint32 sum = ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
            row[x] = (pixel & 0xFFFFFFu) == transparent ? pixel : table[sum];
        }
    }
}

} // namespace

void ConvertToGrayScale(QImage* source, QImage* destination, int brightness)
{
    if (!source)
        return;
    QImage work = source->convertToFormat(QImage::Format_RGB32);
    if (!work.isNull())
        grayRows(work, brightness);
    *(destination ? destination : source) = work;
}
