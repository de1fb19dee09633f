#include "capture/stamp.h"

#include "edit/text_cell.h"

#include <QRegularExpression>

QString longTimeWithoutZone(const QTime& time, const QLocale& locale)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(zone);
    return locale.toString(time, format.trimmed());
}

std::optional<QString> stampText(bool withDate, bool withTime, const QDate& date, const QTime& time,
                                 const QLocale& locale)
{
    const QString day = locale.toString(date, QLocale::ShortFormat);
    if (withDate && withTime)
        return "Date: " + day + " " + longTimeWithoutZone(time, locale);
    if (withDate)
        return "Date: " + day + " ";
    if (withTime)
        return "Time: " + longTimeWithoutZone(time, locale);
    return std::nullopt;
}

void StampDateTime(QImage& picture, int componentHeight, bool withDate, bool withTime,
                   const QColor& color, qreal scale)
{
    if (!withDate && !withTime)
        return;
    // the date is read before the time
    const QDate date = QDate::currentDate();
    const QTime time = QTime::currentTime();
    const auto text = stampText(withDate, withTime, date, time, QLocale::system());
    const QPoint corner(qRound(15 * scale), componentHeight - qRound(25 * scale));
    drawTextCell(picture, corner, *text, surfaceFont(8, scale), color, true);
}
