#pragma once

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace platform
{

// The X connection Qt uses, or none when the program does not run on X11.
inline Display* qtDisplay()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace platform
