#pragma once

#include <QJsonObject>
#include <QRect>
#include <QString>
#include <optional>

// The window that has the focus, asked of sway (and of compositors that speak its IPC).
namespace platform
{

// The focused window's outer rectangle, title bar and borders included, in the compositor's
// layout coordinates and cut to the desktop's screens, asked over the IPC socket at
// `socketPath`; none when no window has the focus. Throws CaptureFailure when the socket does
// not give its whole answer within two seconds, or announces an answer too large to be one.
std::optional<QRect> swayFocusedWindow(const QString& socketPath);

// The same, found in a tree as the compositor's GET_TREE request returns it, and cut to
// `screen`: a null rectangle when the window lies wholly outside it.
std::optional<QRect> focusedWindowInTree(const QJsonObject& tree, const QRect& screen);

} // namespace platform
