#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing the user's picture files (picture_files_posix.cpp).
namespace platform
{

// The whole content of the regular file at `path` (a link to one is followed). Throws
// std::runtime_error "Unable to read <path>: <why>" for anything else: a folder, a device or a
// FIFO (which is never waited on), a file larger than `maxBytes`, or a failed read.
QByteArray readRegularFile(const QString& path, qint64 maxBytes);

// The same into `content`, whose memory is used again when it is large enough.
void readRegularFileInto(const QString& path, qint64 maxBytes, QByteArray& content);

// Gives the file `from` the name `to` in the same folder, unless something of that name exists;
// false when one does. Throws std::runtime_error when the rename fails for another reason.
bool renameWithoutReplacing(const QString& from, const QString& to);

} // namespace platform
