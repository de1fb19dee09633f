// The one place that decides who keeps this session's clipboard after the program has ended.
#include "platform/clipboard_handoff.h"

#include <QGuiApplication>

#include <stdexcept>

namespace platform
{

namespace
{

// A Wayland client's clipboard is the compositor's to hand on; a client of Xwayland has the X11
// one, which the compositor bridges.
bool waylandClient()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

void requireClipboardKeeper()
{
    waylandClient() ? requireWaylandClipboardKeeper() : requireX11ClipboardKeeper();
}

ClipboardHandOver handClipboardToKeeper()
{
    return waylandClient() ? handClipboardToWaylandKeeper() : handClipboardToX11Keeper();
}

ClipboardHandOver clipboardLost(const QString& why)
{
    return {false, "the picture did not stay on the clipboard: " + why};
}

void failToKeepClipboard(const QString& why)
{
    throw std::runtime_error(
        QString("the picture cannot stay on the clipboard: %1").arg(why).toStdString());
}

} // namespace platform
