#include "shell/panel_layout.h"

#include <algorithm>

PanelLayout arrangePanel(int outerWidth, int outerHeight, const QList<int>& groupWidths)
{
    PanelLayout layout{};
    for (int width : groupWidths)
        layout.groupLefts.append(outerWidth - width - 20);
    const int firstLeft = layout.groupLefts.value(0, outerWidth - 20);
    layout.scrollBoxHeight = std::max(0, outerHeight - 45);
    layout.scrollBoxWidth = std::max(0, firstLeft - 10);
    layout.labelLeft = firstLeft + 5;
    return layout;
}
