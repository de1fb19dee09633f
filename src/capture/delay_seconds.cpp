#include "capture/delay_seconds.h"

#include <algorithm>

int secondsFromText(const QString& text)
{
    const QString typed = text.trimmed();
    bool isNumber = false;
    const qlonglong seconds = typed.toLongLong(&isNumber);
    if (isNumber)
        return int(std::clamp<qlonglong>(seconds, FewestDelaySeconds, MostDelaySeconds));
    const bool tooLongForANumber =
        !typed.isEmpty() &&
        std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isDigit(); });
    return tooLongForANumber ? MostDelaySeconds : FewestDelaySeconds;
}
