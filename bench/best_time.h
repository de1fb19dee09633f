#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>

// The best of `runs` runs of `work`, in milliseconds: the least disturbed by the rest of the
// machine.
inline double bestMs(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, double(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}
