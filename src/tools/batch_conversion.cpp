#include "tools/batch_conversion.h"

#include "output/bmp_reader.h"
#include "output/bmp_writer.h"
#include "output/image_file.h"
#include "output/jpeg_codec.h"
#include "tools/conversion_names.h"

#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <exception>
#include <future>
#include <thread>
#include <vector>

namespace
{

// Conversion to JPEG keeps as much of the picture as JPEG can.
constexpr int ConversionQuality = 100;

// One file's new contents, or why there are none. Its memory is used again by a later file, so
// that a run of pictures of one size takes no new memory.
struct Prepared {
    QImage picture;
    QByteArray sourceBytes;
    QByteArray targetBytes;
    std::exception_ptr failure;
};

void ConvertBitmapToJpeg(const QString& source, Prepared& file)
{
    file.targetBytes = encodeJpeg(readBmpFile(source), ConversionQuality);
}

void ConvertJpegToBitmap(const QString& source, Prepared& file)
{
    // three bytes a pixel: the colour bitmap every kind of JPEG becomes
    readJpegFileInto(source, QImage::Format_BGR888, file.picture, file.sourceBytes);
    encodeBmpInto(file.picture, file.targetBytes);
}

// Reading, decoding and encoding: the part that runs ahead on another core. Its failure is kept
// for the file's turn, so that results and failures come in the order of the files.
void prepare(const QString& source, bool toJpeg, Prepared& file)
{
    file.failure = nullptr;
    try {
        toJpeg ? ConvertBitmapToJpeg(source, file) : ConvertJpegToBitmap(source, file);
    } catch (...) {
        file.failure = std::current_exception();
    }
}

// Writing, in the file's turn: never over an existing name, which is checked first as well so
// that an existing name costs no writing.
ConversionResult::Outcome write(const QString& target, const Prepared& file)
{
    if (file.failure)
        std::rethrow_exception(file.failure);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink() ||
        !writeNewFile(target, file.targetBytes))
        return ConversionResult::Outcome::TargetExists;
    return ConversionResult::Outcome::Converted;
}

ConversionResult finish(const QString& source, const QString& target, bool toJpeg,
                        const Prepared& file)
{
    ConversionResult result;
    result.source = source;
    result.target = target;
    if (toJpeg) { // no guard: a failure ends the run
        result.outcome = write(target, file);
        return result;
    }
    try {
        result.outcome = write(target, file);
    } catch (const std::exception& failure) {
        result.outcome = ConversionResult::Outcome::Failed;
        result.reason = QString::fromUtf8(failure.what());
    }
    return result;
}

} // namespace

QList<ConversionResult> ConvertFiles(const QString& sourcePattern, const QString& targetPattern,
                                     const QStringList& foundNames, const ConversionSink& tell)
{
    const bool toJpeg = patternExtension(targetPattern).toUpper() == ".JPG";
    const QString targetExtension = toJpeg ? ".JPG" : ".BMP";
    // Reading and decoding take most of a file's time and writing little: the files ahead are
    // prepared on every core while this thread writes and reports, each in a slot of its own.
    const qsizetype ahead = qsizetype(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<Prepared> files(size_t(ahead + 1));
    std::vector<std::future<void>> preparing(files.size()); // waited for however the run ends
    const auto startPreparing = [&](qsizetype i) {
        const size_t slot = size_t(i % qsizetype(files.size()));
        preparing[slot] =
            std::async(std::launch::async, prepare, sourceName(sourcePattern, foundNames[i]),
                       toJpeg, std::ref(files[slot]));
    };
    for (qsizetype i = 0; i < std::min(ahead, foundNames.size()); ++i)
        startPreparing(i);
    QList<ConversionResult> results;
    for (qsizetype i = 0; i < foundNames.size(); ++i) {
        const size_t slot = size_t(i % qsizetype(files.size()));
        preparing[slot].get();
        if (i + ahead < foundNames.size())
            startPreparing(i + ahead);
        results.append(finish(sourceName(sourcePattern, foundNames[i]),
                              targetName(sourcePattern, foundNames[i], targetExtension), toJpeg,
                              files[slot]));
        if (!tell(results.last()))
            break;
    }
    return results;
}
