#pragma once

#include "capture/capture_request.h"
#include "output/jpeg_codec.h"
#include "output/picture_format.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

// Where the picture of a request goes: into the windows, or, with no window at all, elsewhere.
enum class Destination { Window, File, StandardOutput, Clipboard };

// A command line that asks for something to be done.
struct CommandLine {
    // none: the program starts as it always has, capturing the screen into its window
    std::optional<CaptureRequest> request;
    int delaySeconds = 0; // for a delay
    Destination destination = Destination::Window;
    QString file;                        // for Destination::File
    FileFormat format = FileFormat::Png; // for Destination::File, told by the file's extension
    int quality = StartingJpegQuality;   // JPEG quality
    bool overwrite = false;
    bool stampDate = false, stampTime = false;
    bool activated = false; // started by the session bus to serve a request over it

    bool windowless() const { return destination != Destination::Window; }
};

// A command line that ends the program at once: --help, --version or a mistake in the line.
struct ImmediateExit {
    int status = 0;
    QString standardOutput; // the help or the version
    QString standardError;  // one line saying what is wrong with the command line
};

// Reads the program's arguments (`arguments` without the program's own name first).
std::variant<CommandLine, ImmediateExit> parseCommandLine(const QStringList& arguments);

// The exit status of a command line that cannot be run as written.
constexpr int BadArgumentsStatus = 2;
// The exit status of a capture that failed.
constexpr int FailedStatus = 1;

// `reason` as the one line the program writes to the standard error before it fails.
QString errorLine(const QString& reason);
