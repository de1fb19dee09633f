#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` all at once: they go to a temporary file in the same
// folder, which then takes the file's name, so a failed save leaves any earlier file as it was
// and never a partly written one. Throws std::runtime_error "Unable to write to <path>: <why>".
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Writes `bytes` as a new file at `path`, whole or not at all, and never over anything that
// exists there: false, with nothing written, when a file of that name exists or appears while
// the bytes are being written. Throws std::runtime_error "Unable to write to <path>: <why>".
bool writeNewFile(const QString& path, const QByteArray& bytes);

// Puts a new file holding `bytes` in the place of the entry `path`, whole or not at all, by way of
// a temporary file in the same folder: a link there is replaced itself, never what it leads to,
// and anything but a regular file or a link is refused. Throws std::runtime_error "Unable to write
// to <path>: <why>".
void replaceEntry(const QString& path, const QByteArray& bytes);
