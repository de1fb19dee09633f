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
// area.size(). Parts of the area that lie off the screen come out black. Throws
// CaptureFailure (screen_capture.h) when the session refuses.
QImage grabScreen(const QRect& area);

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

// ---- Capture in every kind of session (screen_capture.cpp picks the implementation) ----

// A window captured alone: its outer rectangle (frame and title bar included) in screen
// coordinates and its pixels.
struct WindowShot {
    QRect frame;
    QImage picture;
};

// The window the person works in; none when no window is active or its rectangle cannot be
// read. Throws CaptureFailure when the session refuses.
std::optional<WindowShot> grabActiveWindow();

// Whether the compositor, not the program, decides where windows go (Wayland): a window that
// must cover the screen is then shown full screen rather than placed and maximised.
bool windowsPlacedByCompositor();

} // namespace platform

// ---- What the program ships, and documents handed to the user's own programs ----
namespace platform
{

// The kinds of file shipped with the program; the installed layout keeps each in its own folder.
enum class ShippedKind {
    Document, // the help documents and their pictures
    Plugin,   // libraries loaded at their first use
};

// Full path of the shipped file `name`, found relative to the program so that a package works
// under any prefix: beside the program (as in the build tree), else in the kind's folder of the
// installed layout. Empty when it is in neither place.
QString findShippedFile(ShippedKind kind, const QString& name);

// Opens the HTML document at `path` in the user's default browser without waiting for the
// browser; false when no program took it: none is set up for HTML, the one set up cannot be
// started, or the document does not exist.
bool openHtmlDocument(const QString& path);

} // namespace platform

// Per-user folders after the XDG base-directory rules (user_folders_xdg.cpp).
namespace platform
{

// The folder for per-user settings: `xdgConfigHome` when it is an absolute path (a relative one
// is ignored, as the rules ask), else ".config" in the home folder, which is `home` when that is
// absolute and otherwise `accountHome`, the home folder of the user's account.
QString configFolderFor(const QString& xdgConfigHome, const QString& home,
                        const QString& accountHome);

} // namespace platform

// The clipboard after the program has ended (clipboard_handoff_x11.cpp, and the keeper program
// clipboard_keeper_x11.cpp installed beside this one).
namespace platform
{

// Called as the program ends, its event loop finished: when the program still owns the clipboard
// and no clipboard manager will take it over, a small keeper process copies the data and serves
// it until another program takes the clipboard. Returns once the keeper has it, or at once when
// nothing is to be kept.
void handClipboardToKeeper();

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
