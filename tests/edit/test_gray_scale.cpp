#include "edit/gray_scale.h"
#include "fg_test.h"

#include <QRandomGenerator>

namespace
{

// The rule, one pixel at a time, the slow way: what the fast conversion must equal.
QImage grayByPixel(const QImage& source, int brightness)
{
    QImage work = source.convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = work.pixel(0, work.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < work.height(); ++y) {
        for (int x = 0; x < work.width(); ++x) {
            const QRgb p = work.pixel(x, y);
            if ((p & 0xFFFFFF) == transparent)
                continue;
            const int gray = std::clamp((qRed(p) + qGreen(p) + qBlue(p)) / 3 + brightness, 0, 255);
            work.setPixel(x, y, qRgb(gray, gray, gray));
        }
    }
    return work;
}

} // namespace

class TestGrayScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pixels_data();
    void pixels();
    void transparentColourKeptEverywhere();
    void secondConversionChangesNothing();
    void equalsPixelRuleOnNoise_data();
    void equalsPixelRuleOnNoise();
    void destinationLeavesSourceAlone();
    void emptyAndMissingPictures();
};

void TestGrayScale::pixels_data()
{
    QTest::addColumn<QRgb>("before");
    QTest::addColumn<int>("brightness");
    QTest::addColumn<QRgb>("after");
    QTest::newRow("red") << qRgb(255, 0, 0) << 0 << qRgb(85, 85, 85);
    QTest::newRow("green") << qRgb(0, 255, 0) << 0 << qRgb(85, 85, 85);
    QTest::newRow("blue") << qRgb(0, 0, 255) << 0 << qRgb(85, 85, 85);
    QTest::newRow("white stays white") << qRgb(255, 255, 255) << 0 << qRgb(255, 255, 255);
    QTest::newRow("truncated, not rounded") << qRgb(1, 1, 2) << 0 << qRgb(1, 1, 1);
    QTest::newRow("0,0,2 is black") << qRgb(0, 0, 2) << 0 << qRgb(0, 0, 0);
    QTest::newRow("brighter clamps at 255") << qRgb(250, 250, 250) << 40 << qRgb(255, 255, 255);
    QTest::newRow("darker clamps at 0") << qRgb(10, 20, 30) << -50 << qRgb(0, 0, 0);
    QTest::newRow("brightness added") << qRgb(30, 60, 90) << 5 << qRgb(65, 65, 65);
}

void TestGrayScale::pixels()
{
    QFETCH(QRgb, before);
    QFETCH(int, brightness);
    QFETCH(QRgb, after);
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(before);
    picture.setPixel(0, 1, qRgb(7, 8, 9)); // the bottom-left pixel is the transparent colour
    ConvertToGrayScale(&picture, &picture, brightness);
    QCOMPARE(picture.pixel(2, 0), after);
    QCOMPARE(picture.pixel(1, 1), after);
    QCOMPARE(picture.pixel(0, 1), qRgb(7, 8, 9));
}

void TestGrayScale::transparentColourKeptEverywhere()
{
    const QRgb bar = qRgb(0, 84, 227); // a task-bar blue in the bottom-left corner
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 0));
    for (int x = 0; x < 40; ++x)
        picture.setPixel(x, 29, bar);
    picture.setPixel(20, 3, bar);
    picture.setPixel(21, 3, qRgb(0, 84, 228)); // one step off: grayed
    ConvertToGrayScale(&picture, &picture, 0);
    for (int x = 0; x < 40; ++x)
        QCOMPARE(picture.pixel(x, 29), bar);
    QCOMPARE(picture.pixel(20, 3), bar);
    QCOMPARE(picture.pixel(21, 3), qRgb(104, 104, 104));
    QCOMPARE(picture.pixel(0, 0), qRgb(100, 100, 100));
}

void TestGrayScale::secondConversionChangesNothing()
{
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 0xFF));
    ConvertToGrayScale(&picture, &picture, 0);
    const QImage once = picture.copy();
    ConvertToGrayScale(&picture, &picture, 0);
    QCOMPARE(fgtest::firstDifference(picture, once), QString());
}

void TestGrayScale::equalsPixelRuleOnNoise_data()
{
    QTest::addColumn<int>("brightness");
    QTest::newRow("plain") << 0;
    QTest::newRow("brighter") << 37;
    QTest::newRow("darker") << -61;
}

void TestGrayScale::equalsPixelRuleOnNoise()
{
    QFETCH(int, brightness);
    QImage picture(257, 131, QImage::Format_RGB32);
    QRandomGenerator random(4711);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFF));
    const QImage expected = grayByPixel(picture, brightness);
    ConvertToGrayScale(&picture, &picture, brightness);
    QCOMPARE(fgtest::firstDifference(picture, expected), QString());
}

void TestGrayScale::destinationLeavesSourceAlone()
{
    QImage source(4, 4, QImage::Format_RGB32);
    source.fill(qRgb(255, 0, 0));
    source.setPixel(0, 3, qRgb(1, 2, 3));
    QImage destination;
    ConvertToGrayScale(&source, &destination, 0);
    QCOMPARE(source.pixel(1, 1), qRgb(255, 0, 0));
    QCOMPARE(destination.pixel(1, 1), qRgb(85, 85, 85));
}

void TestGrayScale::emptyAndMissingPictures()
{
    ConvertToGrayScale(nullptr, nullptr, 0);
    QImage empty;
    ConvertToGrayScale(&empty, &empty, 0);
    QVERIFY(empty.isNull());
    QImage noRows(5, 0, QImage::Format_RGB32);
    ConvertToGrayScale(&noRows, nullptr, 0);
    QVERIFY(noRows.isNull() || noRows.height() == 0);
}

FG_TEST_MAIN(TestGrayScale)
#include "test_gray_scale.moc"
