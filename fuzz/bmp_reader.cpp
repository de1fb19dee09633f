// Any bytes given to the bitmap reader end in a picture or a readable error, never in a crash,
// a read outside the file or an allocation beyond the budget.
#include "output/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        decodeBmp(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const std::runtime_error&) {
    }
    return 0;
}
