// How a compositor's picture of the whole layout maps to the primary screen's device pixels, for
// the scales and layouts desktops have.
#include "platform/screen_pixels.h"

#include <QTest>

class TestScreenPixels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutPictureGivesThePrimaryScreen_data();
    void layoutPictureGivesThePrimaryScreen();
};

void TestScreenPixels::layoutPictureGivesThePrimaryScreen_data()
{
    QTest::addColumn<QRect>("layout");
    QTest::addColumn<QRect>("primary");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<qreal>("buffer"); // the scale Qt draws its windows at
    QTest::addColumn<QRect>("device");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QRectF>("window");      // a window's frame, logical
    QTest::addColumn<QRect>("windowPixels"); // the same from the primary screen's corner
    const QRect one(0, 0, 1280, 800);
    QTest::newRow("100 %") << one << one << QSize(1280, 800) << 1.0 << QRect(0, 0, 1280, 800) << 1.0
                           << QRectF(10, 20, 300, 200) << QRect(10, 20, 300, 200);
    QTest::newRow("200 %, or Xwayland under it")
        << one << one << QSize(2560, 1600) << 2.0 << QRect(0, 0, 2560, 1600) << 2.0
        << QRectF(10, 20, 300, 200) << QRect(20, 40, 600, 400);
    // sway and KWin round the logical size of a 2560x1600 output at 150 %
    QTest::newRow("150 %, sway") << QRect(0, 0, 1707, 1067) << QRect(0, 0, 1707, 1067)
                                 << QSize(2560, 1600) << 1.0 << QRect(0, 0, 2560, 1600) << 1.5
                                 << QRectF(100, 20, 300, 200) << QRect(150, 30, 450, 300);
    QTest::newRow("150 %, KWin's picture one short")
        << QRect(0, 0, 1706, 1066) << QRect(0, 0, 1706, 1066) << QSize(2559, 1599) << 1.0
        << QRect(0, 0, 2559, 1599) << 1.5 << QRectF(0, 0, 1706, 1066) << QRect(0, 0, 2559, 1599);
    QTest::newRow("125 %") << QRect(0, 0, 2048, 1280) << QRect(0, 0, 2048, 1280)
                           << QSize(2560, 1600) << 1.0 << QRect(0, 0, 2560, 1600) << 1.25
                           << QRectF(8, 8, 80, 80) << QRect(10, 10, 100, 100);
    // GNOME at a whole-number scale counts its layout in device pixels; Qt draws at 200 %
    QTest::newRow("GNOME at 200 %")
        << one << one << QSize(1280, 800) << 2.0 << QRect(0, 0, 1280, 800) << 2.0
        << QRectF(10, 20, 300, 200) << QRect(10, 20, 300, 200);
    // another output of 640x480 at the layout's corner, the primary one at 200 % beside it
    QTest::newRow("primary on the right at 200 %")
        << QRect(0, 0, 1280, 612) << QRect(640, 100, 640, 512) << QSize(2560, 1224) << 1.0
        << QRect(1280, 200, 1280, 1024) << 2.0 << QRectF(100, 50, 200, 100)
        << QRect(-1080, -100, 400, 200);
}

void TestScreenPixels::layoutPictureGivesThePrimaryScreen()
{
    QFETCH(QRect, layout);
    QFETCH(QRect, primary);
    QFETCH(QSize, picture);
    QFETCH(qreal, buffer);
    QFETCH(QRect, device);
    QFETCH(qreal, scale);
    QFETCH(QRectF, window);
    QFETCH(QRect, windowPixels);
    const platform::ScreenPixels pixels =
        platform::pixelsOfLayoutPicture(layout, primary, picture, buffer);
    QCOMPARE(pixels.device, device);
    QCOMPARE(pixels.scale, scale);
    QCOMPARE(pixels.toDevice(window), windowPixels);
    // a pointer on a surface over the screen finds the pixel it points at, even where the
    // logical point is a third of a pixel off a whole number
    const QPointF between = QPointF(device.width() - 1, device.height() - 1) / scale;
    QCOMPARE(platform::devicePixelAt(between, scale),
             QPoint(device.width() - 1, device.height() - 1));
    const QSizeF shown = QSizeF(platform::logicalSizeFor(device.size(), scale)) * scale;
    QVERIFY2(shown.width() >= device.width() && shown.height() >= device.height(),
             "a surface of that size shows every pixel");
}

QTEST_GUILESS_MAIN(TestScreenPixels)
#include "test_screen_pixels.moc"
