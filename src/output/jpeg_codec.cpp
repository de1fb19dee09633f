#include "output/jpeg_codec.h"

#include "output/picture_errors.h"

#include <QFile>

#include <algorithm>
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
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Trace messages and harmless warnings (an unknown JFIF revision, a bad ICC chunk) are dropped.
void stopOnDamage(j_common_ptr info, int level)
{
    if (level < 0 && isDamageWarning(info->err->msg_code))
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

void compressRows(Compression& jpeg, const QImage& rgb32, int quality)
{
    jpeg_create_compress(&jpeg.info);
    jpeg_mem_dest(&jpeg.info, &jpeg.bytes, &jpeg.size);
    jpeg.info.image_width = JDIMENSION(rgb32.width());
    jpeg.info.image_height = JDIMENSION(rgb32.height());
    jpeg.info.input_components = 4;
    jpeg.info.in_color_space = Rgb32Layout;
    jpeg_set_defaults(&jpeg.info);
    jpeg_set_quality(&jpeg.info, quality, TRUE);
    jpeg_start_compress(&jpeg.info, TRUE);
    while (jpeg.info.next_scanline < jpeg.info.image_height) {
        // libjpeg only reads the rows it is given, though its row type is not const.
        auto row = const_cast<JSAMPROW>(rgb32.constScanLine(int(jpeg.info.next_scanline)));
        jpeg_write_scanlines(&jpeg.info, &row, 1);
    }
    jpeg_finish_compress(&jpeg.info);
}

struct Decompression {
    Decompression()
    {
        routeErrors(info, errors, jump);
        errors.emit_message = stopOnDamage;
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    LibraryErrorJump jump{};
};

void startDecompressing(Decompression& jpeg, const QByteArray& data)
{
    jpeg_create_decompress(&jpeg.info);
    jpeg_mem_src(&jpeg.info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&jpeg.info, TRUE);
    jpeg.info.out_color_space = Rgb32Layout;
    jpeg_start_decompress(&jpeg.info);
}

void decompressRows(Decompression& jpeg, uchar* firstRow, qsizetype bytesPerLine)
{
    while (jpeg.info.output_scanline < jpeg.info.output_height) {
        JSAMPROW row = firstRow + qsizetype(jpeg.info.output_scanline) * bytesPerLine;
        jpeg_read_scanlines(&jpeg.info, &row, 1);
    }
    jpeg_finish_decompress(&jpeg.info);
}

// A damaged header can claim a size no memory holds; the message says what was asked for.
QImage newRgb32Picture(JDIMENSION width, JDIMENSION height)
{
    QImage picture(int(width), int(height), QImage::Format_RGB32);
    if (picture.isNull())
        throw std::runtime_error(QString("Not enough memory for a picture of %1 x %2 pixels")
                                     .arg(width)
                                     .arg(height)
                                     .toStdString());
    return picture;
}

[[noreturn]] void failToRead(const QFile& file)
{
    throw std::runtime_error(
        QString("Unable to read %1: %2").arg(file.fileName(), file.errorString()).toStdString());
}

} // namespace

QByteArray encodeJpeg(const QImage& picture, int quality)
{
    const QImage rgb32 = pictureToSave(picture, QImage::Format_RGB32);
    Compression jpeg;
    runCatchingLibraryError(jpeg.jump,
                            [&] { compressRows(jpeg, rgb32, std::clamp(quality, 1, 100)); });
    return QByteArray(reinterpret_cast<const char*>(jpeg.bytes), qsizetype(jpeg.size));
}

QImage decodeJpeg(const QByteArray& data)
{
    Decompression jpeg;
    runCatchingLibraryError(jpeg.jump, [&] { startDecompressing(jpeg, data); });
    QImage picture = newRgb32Picture(jpeg.info.output_width, jpeg.info.output_height);
    uchar* firstRow = picture.bits();
    const qsizetype bytesPerLine = picture.bytesPerLine();
    runCatchingLibraryError(jpeg.jump, [&] { decompressRows(jpeg, firstRow, bytesPerLine); });
    return picture;
}

QImage readJpegFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failToRead(file);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        failToRead(file);
    return decodeJpeg(data);
}
