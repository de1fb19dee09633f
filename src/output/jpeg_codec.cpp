#include "output/jpeg_codec.h"

#include "output/picture_errors.h"
#include "platform/picture_files.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include <cstdio> // jpeglib.h uses FILE and size_t without declaring them
#include <jpeglib.h>

#include <jerror.h> // after jpeglib.h, whose configuration decides which message codes exist

namespace
{

// Qt keeps an RGB32 pixel as one native 0xFFRRGGBB word, a byte order libjpeg-turbo reads and
// writes itself, so rows pass between the two without a copy.
constexpr J_COLOR_SPACE Rgb32Layout = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

static_assert(sizeof(LibraryErrorJump::message) >= JMSG_LENGTH_MAX);

[[noreturn]] void jumpBackWithJpegMessage(j_common_ptr info)
{
    auto* jump = static_cast<LibraryErrorJump*>(info->client_data);
    (*info->err->format_message)(info, jump->message);
    jumpBackWithMessage(*jump);
}

// libjpeg only warns about damaged or missing data and goes on with made-up pixels. A picture
// it had to guess at is not the picture that was saved, so these warnings end the decoding.
bool isDamageWarning(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Stray bytes between the header's segments, or a few bytes of padding after a scan, are
// skipped without losing a pixel, and viewers show such files. Many bytes left over after a
// scan mean that its data did not describe the picture the header promised: damage.
bool isDamagingStrayData(const jpeg_decompress_struct& info)
{
    constexpr int MostPadding = 16;
    return info.input_scan_number > 0 && info.err->msg_parm.i[0] > MostPadding;
}

// Trace messages and harmless warnings (an unknown JFIF revision, a bad ICC chunk) are dropped.
void stopOnDamage(j_common_ptr info, int level)
{
    const int code = info->err->msg_code;
    if (level < 0 &&
        (isDamageWarning(code) || (code == JWRN_EXTRANEOUS_DATA &&
                                   isDamagingStrayData(*reinterpret_cast<j_decompress_ptr>(info)))))
        (*info->err->error_exit)(info);
}

template <typename Info>
void routeErrors(Info& info, jpeg_error_mgr& errors, LibraryErrorJump& jump)
{
    info.err = jpeg_std_error(&errors);
    errors.error_exit = jumpBackWithJpegMessage;
    info.client_data = &jump; // jpeg_create_* keeps it
}

// One compression into memory. The structs start zeroed, which jpeg_destroy takes as "nothing
// created yet", so libjpeg's state and the output buffer are released however it ends.
struct Compression {
    Compression() { routeErrors(info, errors, jump); }
    ~Compression();
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;

    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    LibraryErrorJump jump{};
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
};

Compression::~Compression()
{
    // jpeg_mem_dest moves to a bigger buffer as the output grows but only reports it in `bytes`
    // when the destination is terminated, which a failed compression never does. `bytes` is
    // set once jpeg_mem_dest has finished its setup, after which terminating is always safe.
    if (bytes)
        (*info.dest->term_destination)(&info);
    std::free(bytes);
    jpeg_destroy_compress(&info);
}

// Three-byte rows go to libjpeg as they are; everything else as RGB32.
struct RowLayout {
    J_COLOR_SPACE space;
    int components;
};

RowLayout rowLayoutOf(const QImage& picture)
{
    switch (picture.format()) {
    case QImage::Format_BGR888:
        return {JCS_EXT_BGR, 3};
    case QImage::Format_RGB888:
        return {JCS_EXT_RGB, 3};
    default:
        return {Rgb32Layout, 4};
    }
}

// Screenshots are made of coloured text and one-pixel lines, which halving the colour's
// resolution blurs into their background; the settings that promise the best picture keep the
// colour at full resolution, as the common image editors do.
constexpr int FullColourFromQuality = 90;

void keepFullColour(jpeg_compress_struct& info)
{
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
}

void compressRows(Compression& jpeg, const QImage& picture, int quality)
{
    const RowLayout layout = rowLayoutOf(picture);
    jpeg_create_compress(&jpeg.info);
    jpeg_mem_dest(&jpeg.info, &jpeg.bytes, &jpeg.size);
    jpeg.info.image_width = JDIMENSION(picture.width());
    jpeg.info.image_height = JDIMENSION(picture.height());
    jpeg.info.input_components = layout.components;
    jpeg.info.in_color_space = layout.space;
    jpeg_set_defaults(&jpeg.info);
    jpeg_set_quality(&jpeg.info, quality, TRUE);
    if (quality >= FullColourFromQuality)
        keepFullColour(jpeg.info);
    jpeg_start_compress(&jpeg.info, TRUE);
    while (jpeg.info.next_scanline < jpeg.info.image_height) {
        // libjpeg only reads the rows it is given, though its row type is not const.
        auto row = const_cast<JSAMPROW>(picture.constScanLine(int(jpeg.info.next_scanline)));
        jpeg_write_scanlines(&jpeg.info, &row, 1);
    }
    jpeg_finish_compress(&jpeg.info);
}

// A progressive file may repeat its scans without end, each one redrawing the whole picture;
// real files have a dozen or so.
constexpr int MaxScans = 300;

// libjpeg's own working memory. A progressive picture keeps every coefficient (two bytes per
// sample, up to four components) until its last scan; the pixel budget bounds that.
constexpr long MaxLibraryMemory = long(PicturePixelBudget * 4 * 2 + (64 << 20));

struct Decompression {
    Decompression()
    {
        routeErrors(info, errors, jump);
        errors.emit_message = stopOnDamage;
        progress.progress_monitor = stopEndlessScans;
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    static void stopEndlessScans(j_common_ptr common)
    {
        const auto* info = reinterpret_cast<j_decompress_ptr>(common);
        if (info->input_scan_number <= MaxScans)
            return;
        auto* jump = static_cast<LibraryErrorJump*>(common->client_data);
        std::snprintf(jump->message, sizeof jump->message,
                      "The JPEG file has more than %d scans, more than any real picture has.",
                      MaxScans);
        jumpBackWithMessage(*jump);
    }

    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    LibraryErrorJump jump{};
};

bool isInk(J_COLOR_SPACE space)
{
    return space == JCS_CMYK || space == JCS_YCCK;
}

// Everything up to the first row: the header read, its size checked against the budget before
// libjpeg allocates for it, and the colour space chosen.
void startDecompressing(Decompression& jpeg, const QByteArray& data, J_COLOR_SPACE rowLayout)
{
    jpeg_create_decompress(&jpeg.info);
    jpeg.info.mem->max_memory_to_use = MaxLibraryMemory;
    jpeg.info.progress = &jpeg.progress;
    jpeg_mem_src(&jpeg.info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&jpeg.info, TRUE);
    requireWithinBudget(jpeg.info.image_width, jpeg.info.image_height);
    // ink comes out as four bytes a pixel, turned into colour in the same place afterwards
    jpeg.info.out_color_space = isInk(jpeg.info.jpeg_color_space) ? JCS_CMYK : rowLayout;
    jpeg_start_decompress(&jpeg.info);
}

// Printers' ink to screen colour, as viewers show it. Files with an Adobe marker (Photoshop's and
// most others) store ink inverted, 255 meaning none.
void inkToRgb32(QImage& picture, bool inverted)
{
    for (int y = 0; y < picture.height(); ++y) {
        uchar* row = picture.scanLine(y);
        for (qsizetype x = 0; x < picture.width(); ++x) {
            uchar* ink = row + 4 * x;
            const auto clear = [&](int i) { return inverted ? ink[i] : 255 - ink[i]; };
            const int white = clear(3);
            reinterpret_cast<QRgb*>(row)[x] =
                qRgb(clear(0) * white / 255, clear(1) * white / 255, clear(2) * white / 255);
        }
    }
}

// Straight into the picture's rows, a row group at a time, which spares libjpeg a copy of each.
void decompressRows(Decompression& jpeg, uchar* firstRow, qsizetype bytesPerLine)
{
    constexpr JDIMENSION Group = 16; // the tallest row group libjpeg decodes at once
    std::array<JSAMPROW, Group> rows{};
    while (jpeg.info.output_scanline < jpeg.info.output_height) {
        const JDIMENSION first = jpeg.info.output_scanline;
        const JDIMENSION count = std::min(Group, jpeg.info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = firstRow + qsizetype(first + i) * bytesPerLine;
        jpeg_read_scanlines(&jpeg.info, rows.data(), count);
    }
    jpeg_finish_decompress(&jpeg.info);
}

// The header's size was checked against the budget, so only a lack of memory is left.
QImage newPicture(JDIMENSION width, JDIMENSION height, QImage::Format format)
{
    QImage picture(int(width), int(height), format);
    if (picture.isNull())
        throw std::runtime_error(QString("Not enough memory for a picture of %1 x %2 pixels")
                                     .arg(width)
                                     .arg(height)
                                     .toStdString());
    return picture;
}

} // namespace

QByteArray encodeJpeg(const QImage& picture, int quality)
{
    const bool threeBytes =
        picture.format() == QImage::Format_BGR888 || picture.format() == QImage::Format_RGB888;
    const QImage rows =
        pictureToSave(picture, threeBytes ? picture.format() : QImage::Format_RGB32);
    Compression jpeg;
    runCatchingLibraryError(jpeg.jump,
                            [&] { compressRows(jpeg, rows, std::clamp(quality, 1, 100)); });
    return QByteArray(reinterpret_cast<const char*>(jpeg.bytes), qsizetype(jpeg.size));
}

namespace
{

// `picture` at the given size and format: kept when it is already so and not shared.
void preparePicture(QImage& picture, JDIMENSION width, JDIMENSION height, QImage::Format format)
{
    if (picture.width() == int(width) && picture.height() == int(height) &&
        picture.format() == format && picture.isDetached())
        return;
    picture = QImage(); // the old memory goes before the new is taken
    picture = newPicture(width, height, format);
}

void decodeJpegInto(const QByteArray& data, QImage::Format format, QImage& picture)
{
    if (format != QImage::Format_RGB32 && format != QImage::Format_BGR888)
        throw std::invalid_argument("decodeJpeg gives RGB32 or BGR888 pictures");
    Decompression jpeg;
    const J_COLOR_SPACE rowLayout = format == QImage::Format_RGB32 ? Rgb32Layout : JCS_EXT_BGR;
    runCatchingLibraryError(jpeg.jump, [&] { startDecompressing(jpeg, data, rowLayout); });
    const bool ink = jpeg.info.out_color_space == JCS_CMYK;
    preparePicture(picture, jpeg.info.output_width, jpeg.info.output_height,
                   ink ? QImage::Format_RGB32 : format);
    uchar* firstRow = picture.bits();
    const qsizetype bytesPerLine = picture.bytesPerLine();
    runCatchingLibraryError(jpeg.jump, [&] { decompressRows(jpeg, firstRow, bytesPerLine); });
    if (!ink)
        return;
    inkToRgb32(picture, jpeg.info.saw_Adobe_marker);
    if (format != QImage::Format_RGB32)
        picture = pictureToSave(picture, format);
}

} // namespace

QImage decodeJpeg(const QByteArray& data, QImage::Format format)
{
    QImage picture;
    decodeJpegInto(data, format, picture);
    return picture;
}

QImage readJpegFile(const QString& path, QImage::Format format)
{
    return decodeJpeg(platform::readRegularFile(path, PictureFileBudget), format);
}

void readJpegFileInto(const QString& path, QImage::Format format, QImage& picture, QByteArray& file)
{
    platform::readRegularFileInto(path, PictureFileBudget, file);
    decodeJpegInto(file, format, picture);
}
