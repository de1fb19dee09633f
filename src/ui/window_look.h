#pragma once

#include <QColor>
#include <QFont>
#include <optional>

class QLabel;
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

// The title bar of a dialog that is neither minimised nor maximised: its caption and a close box.
inline constexpr Qt::WindowFlags DialogTitleBar = Qt::Dialog | Qt::CustomizeWindowHint |
                                                  Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                  Qt::WindowCloseButtonHint;

// A label for a longer text: word-wrapped within `place`, from its upper left, in `face` when
// one is given (else the parent's font).
QLabel* wrappedLabel(QWidget* parent, const QString& text, const QRect& place,
                     const std::optional<QFont>& face = std::nullopt);

// Puts `continued` directly under the text of `above`, so that a sentence split over two
// word-wrapped labels reads as one paragraph; `continued` then is as high as its own text.
void continueUnder(QLabel& continued, const QLabel& above);
