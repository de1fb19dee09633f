#pragma once

#include <QString>

// Finding and starting the user's own programs (programs_posix.cpp).
namespace platform
{

// The system's own folder; the place where the system's paint program used to live.
QString systemFolder();

// Full path of the system's paint program, or empty when there is none.
QString findPaintProgram(const QString& systemFolder);

// Starts `program` with `file` as its one argument (never split at blanks) and does not wait
// for it; false when it cannot be started.
bool startProgram(const QString& program, const QString& file);

// True when the program runs with the superuser's rights.
bool runsAsSuperuser();

} // namespace platform
