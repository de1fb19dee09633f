#pragma once

#include <QColor>
#include <QDate>
#include <QImage>
#include <QLocale>
#include <QTime>
#include <optional>

// The date/time line written onto a capture, or none when neither box is checked:
// "Date: <date> <time>", "Date: <date> " (ending in a blank) or "Time: <time>".
std::optional<QString> stampText(bool withDate, bool withTime, const QDate& date, const QTime& time,
                                 const QLocale& locale);

// The time of day in the locale's long format, without a time-zone name.
QString longTimeWithoutZone(const QTime& time, const QLocale& locale);

// Writes the line for the current date and time at x 15, 25 pixels above `componentHeight`,
// in `color` on white with the desktop's 8-point face. Writes nothing when neither is wanted.
// On a screen of `scale` device pixels to a logical one, the picture holds device pixels: the
// line, its size and its place grow with the scale, so that it looks as it would at 100 %.
void StampDateTime(QImage& picture, int componentHeight, bool withDate, bool withTime,
                   const QColor& color, qreal scale = 1.0);
