#pragma once

#include <QList>

// Where the right-hand panel goes for a main window of outer size W x H.
struct PanelLayout {
    QList<int> groupLefts; // GroupBox1..GroupBox4, in that order
    int scrollBoxWidth;
    int scrollBoxHeight;
    int labelLeft;
};

// Every group box sits 20 pixels in from the right edge; the scroll box fills what is left of
// it and the window's height less 45; the hint label lines up with the panel. Sizes that would
// come out negative on a tiny window are 0.
PanelLayout arrangePanel(int outerWidth, int outerHeight, const QList<int>& groupWidths);
