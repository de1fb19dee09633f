#include "edit/text_cell.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>

int pointsToPixels(int points, double dotsPerInch)
{
    return static_cast<int>(std::lround(points * dotsPerInch / 72.0));
}

QFont surfaceFont(int points, qreal scale)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyle(QFont::StyleNormal);
    font.setWeight(QFont::Normal);
    // crisp letters in exactly the chosen colour, as the classic drawing surface gives them
    font.setStyleStrategy(QFont::NoAntialias);
    if (points > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPixelSize(pointsToPixels(points, dpi * scale));
    }
    return font;
}

void drawTextCell(QImage& picture, QPoint topLeft, const QString& text, const QFont& font,
                  const QColor& color, bool opaque)
{
    if (picture.isNull() || text.isEmpty())
        return;
    QPainter painter(&picture);
    painter.setFont(font);
    const QFontMetrics metrics(font, &picture);
    const QRect cell(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height()));
    if (opaque)
        painter.fillRect(cell, Qt::white);
    painter.setPen(color);
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                     text);
}
