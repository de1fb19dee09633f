#include "output/deflate_strips.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <stdexcept>
#include <thread>

#include <zlib.h>

namespace
{

constexpr size_t Window = size_t(32) * 1024; // the farthest deflate looks back

struct CompressedStrip {
    QByteArray bytes;
    uLong adler = 0; // of the strip's own data
    size_t length = 0;
    std::exception_ptr failure;
};

class Deflater
{
public:
    Deflater(int level, int strategy)
    {
        if (deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, strategy) != Z_OK)
            throw std::bad_alloc();
    }
    ~Deflater() { deflateEnd(&stream_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    QByteArray compress(const StripBytes& strip, bool last)
    {
        const size_t lead = std::min(strip.leadLength, Window);
        if (lead > 0)
            check(deflateSetDictionary(&stream_, strip.bytes.data() + strip.leadLength - lead,
                                       uInt(lead)));
        const size_t length = strip.bytes.size() - strip.leadLength;
        // a sync flush adds an empty block of five bytes to what deflateBound allows for
        QByteArray out(qsizetype(deflateBound(&stream_, uLong(length)) + 16), Qt::Uninitialized);
        stream_.next_in = const_cast<Bytef*>(strip.bytes.data() + strip.leadLength);
        stream_.avail_in = uInt(length);
        stream_.next_out = reinterpret_cast<Bytef*>(out.data());
        stream_.avail_out = uInt(out.size());
        const int status = deflate(&stream_, last ? Z_FINISH : Z_SYNC_FLUSH);
        if (status != (last ? Z_STREAM_END : Z_OK) || stream_.avail_in != 0)
            throw std::runtime_error("zlib could not compress the picture");
        out.truncate(out.size() - qsizetype(stream_.avail_out));
        return out;
    }

private:
    static void check(int status)
    {
        if (status != Z_OK)
            throw std::runtime_error("zlib could not compress the picture");
    }

    z_stream stream_{};
};

void compressStrip(size_t index, size_t count, int level, int strategy, const StripMaker& makeStrip,
                   CompressedStrip& result)
{
    try {
        StripBytes strip;
        makeStrip(index, strip);
        Deflater deflater(level, strategy);
        result.bytes = deflater.compress(strip, index + 1 == count);
        result.length = strip.bytes.size() - strip.leadLength;
        result.adler = adler32(adler32(0, nullptr, 0), strip.bytes.data() + strip.leadLength,
                               uInt(result.length));
    } catch (...) {
        result.failure = std::current_exception();
    }
}

// The two bytes before the deflate data: a 32 KB window and the level's class, which readers
// ignore.
QByteArray zlibHeader(int level)
{
    const int levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const int method = 0x78, flags = levelClass << 6;
    const char header[] = {char(method), char(flags + 31 - (method * 256 + flags) % 31)};
    return QByteArray(header, sizeof header);
}

QByteArray joined(const std::vector<CompressedStrip>& strips, int level)
{
    qsizetype total = 6;
    for (const CompressedStrip& strip : strips)
        total += strip.bytes.size();
    QByteArray stream = zlibHeader(level);
    stream.reserve(total);
    uLong adler = adler32(0, nullptr, 0);
    for (const CompressedStrip& strip : strips) {
        stream += strip.bytes;
        adler = adler32_combine(adler, strip.adler, z_off_t(strip.length));
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        stream += char(adler >> shift);
    return stream;
}

} // namespace

QByteArray deflateInStrips(size_t count, int level, int strategy, const StripMaker& makeStrip)
{
    if (count == 0)
        throw std::invalid_argument("deflateInStrips needs at least one strip");
    std::vector<CompressedStrip> strips(count);
    std::atomic<size_t> next = 0;
    const auto work = [&] {
        for (size_t index = next++; index < strips.size(); index = next++)
            compressStrip(index, strips.size(), level, strategy, makeStrip, strips[index]);
    };
    {
        const size_t helpers =
            std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), strips.size()) - 1;
        std::vector<std::jthread> threads;
        for (size_t i = 0; i < helpers; ++i)
            threads.emplace_back(work);
        work();
    } // the helpers are joined here
    for (const CompressedStrip& strip : strips)
        if (strip.failure)
            std::rethrow_exception(strip.failure);
    return joined(strips, level);
}
