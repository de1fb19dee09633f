#pragma once

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <vector>

// What a strip's maker hands back: `bytes` holds up to the 32 KB of data just before the strip
// (its lead, `leadLength` bytes long) followed by the strip's own data.
struct StripBytes {
    std::vector<unsigned char> bytes;
    size_t leadLength = 0;
};

// Makes strip `index` into `strip`; called from several threads at once, each with its own strip.
using StripMaker = std::function<void(size_t index, StripBytes& strip)>;

// One standard zlib stream (RFC 1950) of `count` strips' data in order, compressed on every core
// at `level` with `strategy`. Each strip is compressed on its own, primed with its lead as the
// dictionary, so that matches reach back across strips as in one pass; a strip ends on a byte
// boundary (a sync flush) so that the pieces join into one stream, as parallel gzip tools do.
// Rethrows the first failure of a strip maker; throws std::runtime_error when zlib fails.
QByteArray deflateInStrips(size_t count, int level, int strategy, const StripMaker& makeStrip);
