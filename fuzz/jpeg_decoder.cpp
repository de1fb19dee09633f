// Any bytes given to the JPEG decoder end in a picture or a readable error, never in a crash,
// a leak, a hang or an allocation beyond the budget.
#include "output/jpeg_codec.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // both row layouts the program asks for
    try {
        decodeJpeg(bytes, size % 2 ? QImage::Format_BGR888 : QImage::Format_RGB32);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
