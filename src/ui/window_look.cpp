#include "ui/window_look.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QFont facePixels(const QString& family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void fillBackground(QWidget& window, const QColor& colour)
{
    QPalette look = window.palette();
    look.setColor(QPalette::Window, colour);
    window.setPalette(look);
    window.setAutoFillBackground(true);
}

void centreOnScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->geometry().center() - window.rect().center());
}
