#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` all at once: they go to a temporary file in the same
// folder, which then takes the file's name, so a failed save leaves any earlier file as it was
// and never a partly written one. Throws std::runtime_error "Unable to write to <path>: <why>".
void writeFileAtomically(const QString& path, const QByteArray& bytes);
