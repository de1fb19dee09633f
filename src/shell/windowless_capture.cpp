#include "shell/windowless_capture.h"

#include "capture/stamp.h"
#include "output/clipboard.h"
#include "output/image_file.h"
#include "output/png_codec.h"
#include "platform/clipboard_handoff.h"
#include "platform/picture_files.h"
#include "platform/screen_capture.h"
#include "platform/standard_streams.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace
{

[[noreturn]] void fail(const QString& reason)
{
    throw std::runtime_error(reason.toStdString());
}

QString existsText(const QString& file)
{
    return file + " exists already; --overwrite replaces it";
}

// Whether `frame` can be a window the person works in: the hidden focus window of a window
// manager, or a window moved off every screen, is not one.
bool isWorkedIn(const QRect& frame)
{
    constexpr int FewestPixels = 4;
    if (frame.width() < FewestPixels || frame.height() < FewestPixels)
        return false;
    const platform::ScreenPixels pixels = platform::screenPixels();
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
        return pixels.toDevice(QRectF(screen->geometry())).intersects(frame);
    });
}

// The picture of the request, stamped as the main window stamps it.
QImage capture(const CommandLine& line)
{
    if (line.request == CaptureRequest::Delay)
        std::this_thread::sleep_for(std::chrono::seconds(line.delaySeconds));
    if (line.request == CaptureRequest::Window) {
        std::optional<platform::WindowShot> shot = platform::grabActiveWindow();
        if (!shot || !isWorkedIn(shot->frame))
            fail("no window is active, so there is none to capture");
        StampDateTime(shot->picture, shot->picture.height(), line.stampDate, line.stampTime,
                      QGuiApplication::palette().color(QPalette::WindowText),
                      platform::screenPixels().scale);
        return shot->picture;
    }
    QImage screen = platform::grabPrimaryScreen();
    StampDateTime(screen, screen.height(), line.stampDate, line.stampTime, Qt::red,
                  platform::screenPixels().scale);
    return screen;
}

void writeToFile(const CommandLine& line, const QByteArray& bytes)
{
    if (line.overwrite)
        replaceEntry(line.file, bytes);
    else if (!writeNewFile(line.file, bytes))
        fail(existsText(line.file));
}

// A file that would not be taken is refused before anyone waits for the capture: one that is
// there already, or an entry that is never replaced, or a folder that takes no new file.
void requireFileTaken(const CommandLine& line)
{
    if (!line.overwrite && QFileInfo::exists(line.file))
        fail(existsText(line.file));
    if (line.overwrite)
        platform::requireReplaceable(line.file);
    const platform::NewFileInFolder trial(QFileInfo(line.file).absolutePath());
}

void deliver(const CommandLine& line)
{
    if (line.destination == Destination::File)
        requireFileTaken(line);
    if (line.destination == Destination::Clipboard)
        platform::requireClipboardKeeper();
    const QImage picture = capture(line);
    switch (line.destination) {
    case Destination::File:
        return writeToFile(line, encode(picture, line.format, line.quality));
    case Destination::StandardOutput:
        return platform::writeToStandardOutput(encodePng(picture));
    case Destination::Clipboard:
        return CopyPictureToClipboard(picture);
    case Destination::Window:
        break;
    }
}

} // namespace

void ErrorLines::show(MessageKind, const QString& text)
{
    std::fputs(errorLine(text).toLocal8Bit().constData(), stderr);
}

int runWindowless(const CommandLine& line)
{
    try {
        deliver(line);
        return 0;
    } catch (const std::exception& failure) {
        ErrorLines().show(MessageKind::Error, QString::fromUtf8(failure.what()));
        return FailedStatus;
    }
}
