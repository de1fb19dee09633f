#pragma once

#include <cstddef>

// One row of 8-bit RGB pixels (`length` bytes) filtered for PNG (filter method 0) into `out`: the
// filter's type byte, then `length` filtered bytes. Of the five filters the row gets the one whose
// bytes, taken as signed, have the least sum of magnitudes, the choice libpng makes by default.
// `above` is the row before it, unfiltered (zeros for the first row). `trial` is room for
// `length` bytes that the function may use.
void filterRgbRow(const unsigned char* row, const unsigned char* above, size_t length,
                  unsigned char* out, unsigned char* trial);
