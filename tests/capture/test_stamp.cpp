#include "capture/stamp.h"
#include "edit/text_cell.h"
#include "fg_test.h"

class TestStamp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void text_data();
    void text();
    void timeHasNoZoneName();
    void drawnInPlace_data();
    void drawnInPlace();
    void nothingWhenNeitherChecked();
    void pointsToPixelsAt96Dpi();
};

void TestStamp::text_data()
{
    QTest::addColumn<bool>("date");
    QTest::addColumn<bool>("time");
    QTest::addColumn<QString>("expected");
    QTest::newRow("date and time") << true << true << "Date: 12/8/26 7:05:09 PM";
    QTest::newRow("date only ends in a blank") << true << false << "Date: 12/8/26 ";
    QTest::newRow("time only") << false << true << "Time: 7:05:09 PM";
}

void TestStamp::text()
{
    QFETCH(bool, date);
    QFETCH(bool, time);
    QFETCH(QString, expected);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const auto text = stampText(date, time, QDate(2026, 12, 8), QTime(19, 5, 9), us);
    QVERIFY(text.has_value());
    QCOMPARE(*text, expected);
    QVERIFY(!stampText(false, false, QDate(2026, 12, 8), QTime(19, 5, 9), us));
}

void TestStamp::timeHasNoZoneName()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(longTimeWithoutZone(QTime(19, 5, 9), german), QString("19:05:09"));
}

void TestStamp::drawnInPlace_data()
{
    QTest::addColumn<bool>("date");
    QTest::addColumn<bool>("time");
    QTest::addColumn<qreal>("scale");
    QTest::newRow("date") << true << false << 1.0;
    QTest::newRow("time") << false << true << 1.0;
    QTest::newRow("both") << true << true << 1.0;
    QTest::newRow("both, screen at 200 %") << true << true << 2.0;
    QTest::newRow("time, screen at 150 %") << false << true << 1.5;
}

// The line sits with its cell's corner at (15, height - 25), red letters on a white cell, and
// nothing outside the cell changes. On a scaled screen the picture has that many more pixels,
// and the line grows with it: it looks as it does at 100 %.
void TestStamp::drawnInPlace()
{
    QFETCH(bool, date);
    QFETCH(bool, time);
    QFETCH(qreal, scale);
    const QRgb ground = qRgb(0, 90, 0);
    QImage picture(qRound(400 * scale), qRound(120 * scale), QImage::Format_RGB32);
    picture.fill(ground);
    StampDateTime(picture, picture.height(), date, time, Qt::red, scale);

    QRect touched;
    int red = 0, white = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (p == ground)
                continue;
            touched |= QRect(x, y, 1, 1);
            red += p == qRgb(255, 0, 0);
            white += p == qRgb(255, 255, 255);
        }
    }
    QCOMPARE(touched.topLeft(), QPoint(qRound(15 * scale), picture.height() - qRound(25 * scale)));
    const int cellHeight = QFontMetrics(surfaceFont(8, scale), &picture).height();
    QCOMPARE(touched.height(), cellHeight);
    const int cellAt100 = QFontMetrics(surfaceFont(8), &picture).height();
    QVERIFY2(qAbs(cellHeight - cellAt100 * scale) <= 2 * scale,
             "as many times as tall as the scale");
    QVERIFY2(red > 20, "the letters are red");
    QVERIFY2(white > red, "the cell behind them is white");
    // the longer texts reach further right
    const int minimumWidth = qRound((date && time ? 100 : 40) * scale);
    QVERIFY(touched.width() > minimumWidth);
}

void TestStamp::nothingWhenNeitherChecked()
{
    QImage picture(100, 60, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    const QImage before = picture.copy();
    StampDateTime(picture, picture.height(), false, false, Qt::red);
    QCOMPARE(picture, before);
}

void TestStamp::pointsToPixelsAt96Dpi()
{
    QCOMPARE(pointsToPixels(8, 96), 11);
    QCOMPARE(pointsToPixels(10, 96), 13);
    QCOMPARE(pointsToPixels(12, 96), 16);
}

FG_TEST_MAIN(TestStamp)
#include "test_stamp.moc"
