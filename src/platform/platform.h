#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <optional>

// Everything that depends on the operating system. One implementation per system, picked by
// CMake; the rest of the program only sees these functions.
namespace platform
{

// The screen's pixels inside `area` (screen coordinates), as an RGB32 picture of exactly
// area.size(). Parts of the area that lie off the screen come out black.
QImage grabScreen(const QRect& area);

// The outer rectangle of the active window (its frame and title bar included) in screen
// coordinates; none when no window is active or its rectangle cannot be read.
std::optional<QRect> activeWindowFrame();

// The primary screen's size in pixels.
QSize primaryScreenSize();

// The per-user roaming settings folder (without a trailing separator).
QString roamingAppDataFolder();

// The system's own folder; the place where the system's paint program used to live.
QString systemFolder();

// Full path of the system's paint program, or empty when there is none.
QString findPaintProgram(const QString& systemFolder);

// Starts `program` with `file` as its one argument (never split at blanks) and does not wait
// for it; false when it cannot be started.
bool startProgram(const QString& program, const QString& file);

} // namespace platform

// ---- Reading and writing the user's picture files (picture_files_posix.cpp) ----
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

// ---- Printing through the system's spooler (print_spooler_cups.cpp) ----
namespace platform
{

// The default printer's name, or empty when there is none.
QString defaultPrinterName();

// Hands `pdf` to `printer` as one job called `title`. Throws std::runtime_error "Unable to print:
// <the spooler's reason>" when any step of the hand-over is refused.
void printPdf(const QString& printer, const QString& title, const QByteArray& pdf);

} // namespace platform
