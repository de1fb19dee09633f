// Random window trees as the compositor's IPC answers them: finding the focused window must never
// overflow (the sanitizers watch the arithmetic) and never give a rectangle off the screen.
#include "platform/sway_ipc.h"

#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QJsonDocument tree = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!tree.isObject())
        return 0;
    const QRect screen(-1280, 0, 2560, 1024);
    const std::optional<QRect> frame = platform::focusedWindowInTree(tree.object(), screen);
    if (frame && !frame->isNull() && !screen.contains(*frame)) {
        std::fprintf(stderr, "a window outside the screen: %d,%d %dx%d\n", frame->x(), frame->y(),
                     frame->width(), frame->height());
        std::abort();
    }
    return 0;
}
