#include "output/png_codec.h"

#include "output/deflate_strips.h"
#include "output/picture_errors.h"
#include "output/png_filter.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

namespace
{

// Measured on real 1280x1024 screenshots (a photo wallpaper with terminals and a Qt window; the
// same on a flat background): with each row's filter chosen on its own, zlib's default strategy
// gives 1-4 % smaller files than the "filtered" one libpng picks, in less time, and level 5 so
// is still smaller than libpng's defaults at level 6, the files other tools write, in a quarter
// less time than level 6. Rows are filtered and compressed in strips on every core.
constexpr int CompressionLevel = 5;
constexpr int Strategy = Z_DEFAULT_STRATEGY;
// Large enough that a strip's start-up (its dictionary) is lost in its work, small enough that
// both cores get several strips of a 1280x1024 screen and finish together.
constexpr size_t StripBytesWanted = size_t(512) * 1024;
constexpr size_t DeflateWindow = size_t(32) * 1024;
// Fewer, larger IDAT chunks: less chunk overhead.
constexpr qsizetype ChunkSize = qsizetype(256) * 1024;

struct PngWrite {
    PngWrite() = default;
    ~PngWrite() { png_destroy_write_struct(&png, &info); } // takes null structs
    PngWrite(const PngWrite&) = delete;
    PngWrite& operator=(const PngWrite&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
    LibraryErrorJump jump{};
    QByteArray bytes;
};

[[noreturn]] void jumpBackWithPngMessage(png_structp png, png_const_charp message)
{
    auto* jump = static_cast<LibraryErrorJump*>(png_get_error_ptr(png));
    qstrncpy(jump->message, message, sizeof jump->message);
    jumpBackWithMessage(*jump);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The error handlers are installed after creation: while png_create_write_struct runs, libpng
// jumps to a target of its own and reports a failure by returning null.
void createStructs(PngWrite& write)
{
    write.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (write.png)
        write.info = png_create_info_struct(write.png);
    if (!write.info)
        throw std::bad_alloc();
    png_set_error_fn(write.png, &write.jump, jumpBackWithPngMessage, ignoreWarning);
}

bool tryAppend(QByteArray& bytes, const png_byte* data, size_t length) noexcept
{
    try {
        bytes.append(reinterpret_cast<const char*>(data), qsizetype(length));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Called from inside libpng, so running out of memory has to become a libpng error.
void appendBytes(png_structp png, png_bytep data, size_t length)
{
    if (!tryAppend(*static_cast<QByteArray*>(png_get_io_ptr(png)), data, length))
        png_error(png, "Not enough memory for the PNG data");
}

void flushNothing(png_structp) {}

// An RGB32 row as PNG's red, green, blue bytes.
void rgbBytes(const QImage& rgb32, int y, unsigned char* out)
{
    const auto* pixel = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
    for (int x = 0; x < rgb32.width(); ++x, out += 3) {
        out[0] = uchar(qRed(pixel[x]));
        out[1] = uchar(qGreen(pixel[x]));
        out[2] = uchar(qBlue(pixel[x]));
    }
}

// Rows first..end-1 filtered, each row a type byte and its filtered bytes, into `out`.
void filterRows(const QImage& rgb32, int first, int end, unsigned char* out)
{
    const size_t length = size_t(rgb32.width()) * 3;
    std::vector<unsigned char> above(length), row(length), trial(length);
    if (first > 0)
        rgbBytes(rgb32, first - 1, above.data());
    for (int y = first; y < end; ++y, out += length + 1) {
        rgbBytes(rgb32, y, row.data());
        filterRgbRow(row.data(), above.data(), length, out, trial.data());
        std::swap(above, row);
    }
}

// The filtered rows as one zlib stream, strip by strip. Each strip filters the rows before it
// again, as many as fill deflate's window, to use as its dictionary: the same bytes the strip
// before made, since a row's filter depends on that row and the one above only.
QByteArray compressedRows(const QImage& rgb32)
{
    const size_t lineBytes = size_t(rgb32.width()) * 3 + 1;
    const int height = rgb32.height();
    const int stripRows = int(std::max<size_t>(1, StripBytesWanted / lineBytes));
    const int leadRows = int((DeflateWindow + lineBytes - 1) / lineBytes);
    const size_t strips = size_t((height + stripRows - 1) / stripRows);
    return deflateInStrips(
        strips, CompressionLevel, Strategy, [&](size_t index, StripBytes& strip) {
            const int first = int(index) * stripRows, end = std::min(height, first + stripRows);
            const int leadFirst = std::max(0, first - leadRows);
            strip.bytes.resize(size_t(end - leadFirst) * lineBytes);
            strip.leadLength = size_t(first - leadFirst) * lineBytes;
            filterRows(rgb32, leadFirst, end, strip.bytes.data());
        });
}

// libpng writes the signature and the header, and frames the compressed rows in chunks.
void writePng(PngWrite& write, const QImage& rgb32, const QByteArray& rows)
{
    png_set_write_fn(write.png, &write.bytes, appendBytes, flushNothing);
    png_set_IHDR(write.png, write.info, png_uint_32(rgb32.width()), png_uint_32(rgb32.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write.png, write.info);
    for (qsizetype at = 0; at < rows.size(); at += ChunkSize)
        png_write_chunk(write.png, reinterpret_cast<png_const_bytep>("IDAT"),
                        reinterpret_cast<png_const_bytep>(rows.constData() + at),
                        size_t(std::min(ChunkSize, rows.size() - at)));
    png_write_chunk(write.png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
}

} // namespace

QByteArray encodePng(const QImage& picture)
{
    const QImage rgb32 = pictureToSave(picture, QImage::Format_RGB32);
    const QByteArray rows = compressedRows(rgb32);
    PngWrite write;
    createStructs(write);
    runCatchingLibraryError(write.jump, [&] { writePng(write, rgb32, rows); });
    return write.bytes;
}
