#include "platform/platform.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>

namespace platform {

QImage grabScreen(const QRect& area)
{
    QImage picture(area.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect onScreen = screen ? area.intersected(screen->geometry()) : QRect();
    if (onScreen == area) {
        // the usual case: one copy of the root window's pixels, no painting in between
        QImage grabbed = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
        if (grabbed.size() == area.size())
            return grabbed.format() == QImage::Format_RGB32
                       ? grabbed
                       : grabbed.convertToFormat(QImage::Format_RGB32);
    }
    picture.fill(Qt::black);
    if (!onScreen.isEmpty()) {
        const QImage part =
            screen->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height())
                .toImage();
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(onScreen.topLeft() - area.topLeft(), part);
    }
    return picture;
}

QSize primaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

QString roamingAppDataFolder()
{
    // the Windows folder always exists; ~/.config may not yet on a fresh account
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(folder);
    return folder;
}

QString systemFolder()
{
    return QStringLiteral("/usr/bin");
}

QString findPaintProgram(const QString&)
{
    static const char* const programs[] = {"kolourpaint", "pinta", "mtpaint",
                                           "drawing",     "gimp",  "krita"};
    for (const char* name : programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace platform
