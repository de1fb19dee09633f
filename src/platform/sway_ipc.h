#pragma once

#include <QJsonObject>
#include <QRect>
#include <QString>
#include <optional>

// The window that has the focus, asked of sway (and of compositors that speak its IPC).
namespace platform
{

// The focused window's outer rectangle, title bar and borders included, in the compositor's
// layout coordinates, asked over the IPC socket at `socketPath`; none when no window has the
// focus. Throws CaptureFailure when the socket does not answer.
std::optional<QRect> swayFocusedWindow(const QString& socketPath);

// The same, found in a tree as the compositor's GET_TREE request returns it.
std::optional<QRect> focusedWindowInTree(const QJsonObject& tree);

} // namespace platform
