#pragma once

#include <QtGlobal>

// One tick of an armed capture timer: counts it and tells whether the capture is due, that is
// whether more ticks than `waitTicks` have passed (16-bit signed, like the counters themselves).
inline bool countTickAndCheckDue(qint16& timerTicks, qint16 waitTicks)
{
    timerTicks = static_cast<qint16>(timerTicks + 1);
    return timerTicks > waitTicks;
}
