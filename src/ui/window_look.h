#pragma once

#include <QColor>
#include <QFont>

class QWidget;

// What the program's windows share in their look.

// The light gray that the windows are filled with.
inline const QColor FormGray(224, 224, 224);

// A face of the design at a size in pixels, whatever the screen's resolution.
QFont facePixels(const QString& family, int pixels, bool bold = false);

// Fills the window's background with `colour`.
void fillBackground(QWidget& window, const QColor& colour);

// Puts the window in the middle of the primary screen.
void centreOnScreen(QWidget& window);
