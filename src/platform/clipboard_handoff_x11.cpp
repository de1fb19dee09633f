#include "platform/clipboard_handoff.h"
#include "platform/qt_x11_display.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <csignal>

namespace platform
{

void handClipboardToKeeper()
{
    Display* display = qtDisplay();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!display || !clipboard->ownsClipboard())
        return;
    // a clipboard manager gets the data from Qt itself as the application ends
    if (XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD_MANAGER", False)) != None)
        return;
    const Window owner = XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False));
    const QString keeper =
        QCoreApplication::applicationDirPath() + QStringLiteral("/framegrove-clipboard-keeper");
    qint64 pid = 0;
    if (owner == None ||
        !QProcess::startDetached(keeper, {QString::number(owner)}, QStringLiteral("/"), &pid))
        return;
    // the keeper copies the data from us: serve it until it has taken the clipboard or given up,
    // but never hold up the exit for long
    QEventLoop loop;
    QObject::connect(clipboard, &QClipboard::changed, &loop, [&] {
        if (!clipboard->ownsClipboard())
            loop.quit();
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (kill(pid_t(pid), 0) != 0)
            loop.quit();
    });
    watch.start(100);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace platform
