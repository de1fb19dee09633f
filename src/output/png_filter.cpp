#include "output/png_filter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

using Byte = unsigned char;
constexpr size_t PixelBytes = 3;

enum Filter : Byte { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// A filtered byte stands for a small difference when it is near 0 or near 256.
uint64_t magnitude(const Byte* bytes, size_t length)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
    return sum;
}

// The first pixel has nothing on its left; each filter treats those bytes as 0.
void sub(const Byte* row, size_t length, Byte* out)
{
    std::memcpy(out, row, PixelBytes);
    for (size_t i = PixelBytes; i < length; ++i)
        out[i] = Byte(row[i] - row[i - PixelBytes]);
}

void up(const Byte* row, const Byte* above, size_t length, Byte* out)
{
    for (size_t i = 0; i < length; ++i)
        out[i] = Byte(row[i] - above[i]);
}

void average(const Byte* row, const Byte* above, size_t length, Byte* out)
{
    for (size_t i = 0; i < PixelBytes; ++i)
        out[i] = Byte(row[i] - (above[i] >> 1));
    for (size_t i = PixelBytes; i < length; ++i)
        out[i] = Byte(row[i] - ((row[i - PixelBytes] + above[i]) >> 1));
}

// The neighbour (left, above, upper left) nearest to left + above - upper left.
Byte paethPredictor(int left, int above, int upperLeft)
{
    const int guess = left + above - upperLeft;
    const int toLeft = std::abs(guess - left), toAbove = std::abs(guess - above),
              toUpperLeft = std::abs(guess - upperLeft);
    if (toLeft <= toAbove && toLeft <= toUpperLeft)
        return Byte(left);
    return Byte(toAbove <= toUpperLeft ? above : upperLeft);
}

void paeth(const Byte* row, const Byte* above, size_t length, Byte* out)
{
    for (size_t i = 0; i < PixelBytes; ++i)
        out[i] = Byte(row[i] - above[i]); // the predictor of a pixel without left is its above
    for (size_t i = PixelBytes; i < length; ++i)
        out[i] =
            Byte(row[i] - paethPredictor(row[i - PixelBytes], above[i], above[i - PixelBytes]));
}

} // namespace

void filterRgbRow(const Byte* row, const Byte* above, size_t length, Byte* out, Byte* trial)
{
    Byte* best = out + 1;
    out[0] = None;
    std::memcpy(best, row, length);
    uint64_t least = magnitude(best, length);
    const auto tryFilter = [&](Filter filter) {
        const uint64_t sum = magnitude(trial, length);
        if (sum >= least)
            return;
        least = sum;
        out[0] = filter;
        std::memcpy(best, trial, length);
    };
    sub(row, length, trial);
    tryFilter(Sub);
    up(row, above, length, trial);
    tryFilter(Up);
    average(row, above, length, trial);
    tryFilter(Average);
    paeth(row, above, length, trial);
    tryFilter(Paeth);
}
