#pragma once

#include <QString>

// The range of a delayed capture, in seconds.
constexpr int FewestDelaySeconds = 1, MostDelaySeconds = 360;

// The number of seconds that `text` asks to wait: a number out of range is brought into it, a run
// of digits too long for a number reads as the most, anything else as the fewest.
int secondsFromText(const QString& text);
