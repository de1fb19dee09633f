// The clipboard of a Wayland client after it has ended: wl-copy (wl-clipboard) takes the picture
// and serves it from a process of its own until another program takes the clipboard or the
// session ends. It takes the clipboard through the compositor's data control (sway, KWin).
#include "platform/clipboard_handoff.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace platform
{

namespace
{

// wl-copy answers once it has the clipboard; a compositor that gives it only to a focused
// window may keep it waiting for a focus that never comes.
constexpr int TakeOverMs = 10000;

QString wlCopy()
{
    return QStandardPaths::findExecutable(QStringLiteral("wl-copy"));
}

const char* const Missing = "wl-copy (package wl-clipboard) is not installed";

} // namespace

void requireWaylandClipboardKeeper()
{
    if (wlCopy().isEmpty())
        failToKeepClipboard(Missing);
}

ClipboardHandOver handClipboardToWaylandKeeper()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard())
        return {};
    const QImage picture = clipboard->image();
    if (picture.isNull())
        return {};
    if (wlCopy().isEmpty())
        return clipboardLost(Missing);
    QProcess copy;
    copy.setWorkingDirectory(QStringLiteral("/")); // it outlives us; it holds no folder of ours
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    copy.start(wlCopy(), {QStringLiteral("--type"), QStringLiteral("image/png")});
    if (!copy.waitForStarted())
        return clipboardLost("wl-copy did not start (" + copy.errorString() + ")");
    picture.save(&copy, "PNG");
    copy.closeWriteChannel();
    if (!copy.waitForFinished(TakeOverMs)) {
        copy.kill();
        copy.waitForFinished();
        return clipboardLost("the desktop did not give the clipboard to wl-copy");
    }
    if (copy.exitStatus() != QProcess::NormalExit || copy.exitCode() != 0)
        return clipboardLost("wl-copy could not take the clipboard");
    return {};
}

} // namespace platform
