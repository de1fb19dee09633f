#include "ui/window_look.h"

#include <QGuiApplication>
#include <QLabel>
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
    // a window is moved by its frame, known once the window manager has framed it
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->geometry().center() -
                    QRect(QPoint(0, 0), window.frameGeometry().size()).center());
}

QLabel* wrappedLabel(QWidget* parent, const QString& text, const QRect& place,
                     const std::optional<QFont>& face)
{
    auto* label = new QLabel(text, parent);
    if (face)
        label->setFont(*face);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

void continueUnder(QLabel& continued, const QLabel& above)
{
    continued.setGeometry(above.x(), above.y() + above.heightForWidth(above.width()),
                          continued.width(), continued.heightForWidth(continued.width()));
}
