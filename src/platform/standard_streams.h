#pragma once

#include <QByteArray>

// The program's standard input, output and error (standard_streams_posix.cpp).
namespace platform
{

// Puts /dev/null, opened for reading only, on each of descriptors 0, 1 and 2 that the program was
// started without. Called first thing, before anything else opens a file: otherwise the next one
// opened (the display's connection) would take the free number, and what is meant for the
// standard output or error would be sent into it. Writing to a stream that was closed still fails,
// as it did before.
void fillClosedStandardStreams();

// Writes all of `bytes` to the standard output, past any buffer, and where that is a file, waits
// until the disk holds them. Throws std::runtime_error "Unable to write to the standard output:
// <why>".
void writeToStandardOutput(const QByteArray& bytes);

} // namespace platform
