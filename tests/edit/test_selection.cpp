#include "edit/selection.h"
#include "edit/text_place.h"
#include "fg_test.h"

Q_DECLARE_METATYPE(Edges)
Q_DECLARE_METATYPE(Across)
Q_DECLARE_METATYPE(Down)

class TestSelection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void normalize_data();
    void normalize();
    void crop();
    void emptyCrops_data();
    void emptyCrops();
    void focusRectTwiceRestores_data();
    void focusRectTwiceRestores();
    void textStart_data();
    void textStart();
    void colours_data();
    void colours();
};

void TestSelection::normalize_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<Edges>("crop");
    QTest::addColumn<bool>("upperLeftFirst");
    QTest::newRow("down right") << QPoint(100, 100) << QPoint(200, 150) << Edges{100, 100, 200, 150}
                                << true;
    QTest::newRow("up left") << QPoint(200, 150) << QPoint(100, 100) << Edges{100, 100, 200, 150}
                             << false;
    QTest::newRow("down left") << QPoint(200, 100) << QPoint(100, 150) << Edges{100, 100, 200, 150}
                               << false;
    QTest::newRow("up right") << QPoint(100, 150) << QPoint(200, 100) << Edges{100, 100, 200, 150}
                              << false;
    QTest::newRow("click") << QPoint(7, 9) << QPoint(7, 9) << Edges{7, 9, 7, 9} << true;
    QTest::newRow("only across") << QPoint(5, 9) << QPoint(50, 9) << Edges{5, 9, 50, 9} << true;
    QTest::newRow("only down") << QPoint(5, 9) << QPoint(5, 60) << Edges{5, 9, 5, 60} << true;
}

void TestSelection::normalize()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(Edges, crop);
    QFETCH(bool, upperLeftFirst);
    QCOMPARE(NormalizeSelection(press, release), crop);
    QCOMPARE(drawnFromUpperLeft(Edges{press.x(), press.y(), release.x(), release.y()}),
             upperLeftFirst);
}

void TestSelection::crop()
{
    QImage capture(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            capture.setPixel(x, y, qRgb(x & 0xFF, y, 7));
    const QImage piece = cropPicture(capture, NormalizeSelection({10, 20}, {110, 70}));
    QCOMPARE(piece.size(), QSize(100, 50));
    QCOMPARE(piece.pixel(0, 0), capture.pixel(10, 20));
    QCOMPARE(piece.pixel(99, 49), capture.pixel(109, 69)); // the release pixel is not in it
}

void TestSelection::emptyCrops_data()
{
    QTest::addColumn<Edges>("crop");
    QTest::newRow("click") << Edges{7, 9, 7, 9};
    QTest::newRow("no height") << Edges{5, 9, 50, 9};
    QTest::newRow("no width") << Edges{5, 9, 5, 60};
}

void TestSelection::emptyCrops()
{
    QFETCH(Edges, crop);
    QImage capture(80, 80, QImage::Format_RGB32);
    capture.fill(Qt::red);
    const QImage piece = cropPicture(capture, crop);
    QVERIFY(piece.isNull());
    QVERIFY(piece.width() == 0 && piece.height() == 0);
}

void TestSelection::focusRectTwiceRestores_data()
{
    QTest::addColumn<Edges>("band");
    QTest::newRow("down right") << Edges{3, 4, 40, 30};
    QTest::newRow("drawn backwards") << Edges{40, 30, 3, 4};
    QTest::newRow("a dot") << Edges{5, 5, 5, 5};
    QTest::newRow("one row") << Edges{2, 6, 30, 7};
    QTest::newRow("past the edges") << Edges{-10, -10, 90, 70};
}

void TestSelection::focusRectTwiceRestores()
{
    QFETCH(Edges, band);
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, 99));
    const QImage before = picture.copy();
    drawFocusRect(picture, band);
    if (band.Right - band.Left > 1 && band.Bottom - band.Top > 1 && band.Left >= 0)
        QVERIFY2(picture != before, "the band shows");
    drawFocusRect(picture, band);
    QCOMPARE(fgtest::firstDifference(picture, before), QString());
}

void TestSelection::textStart_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<Across>("across");
    QTest::addColumn<Down>("down");
    QTest::addColumn<QPoint>("start");
    QTest::newRow("defaults on 400x200")
        << QSize(400, 200) << Across::Quarter << Down::Bottom << QPoint(100, 170);
    QTest::newRow("3/4 and middle")
        << QSize(400, 200) << Across::ThreeQuarters << Down::Middle << QPoint(300, 100);
    QTest::newRow("left and top") << QSize(400, 200) << Across::LeftSide << Down::Top
                                  << QPoint(5, 5);
    QTest::newRow("W 10 quarter: 2.5 to 2")
        << QSize(10, 40) << Across::Quarter << Down::Top << QPoint(2, 5);
    QTest::newRow("W 14 quarter: 3.5 to 4")
        << QSize(14, 40) << Across::Quarter << Down::Top << QPoint(4, 5);
    QTest::newRow("W 101 half: 50.5 to 50")
        << QSize(101, 40) << Across::Half << Down::Top << QPoint(50, 5);
    QTest::newRow("3/4 of 6: 4.5 to 4")
        << QSize(6, 40) << Across::ThreeQuarters << Down::Top << QPoint(4, 5);
    QTest::newRow("middle of 41: 20.5 to 20")
        << QSize(50, 41) << Across::LeftSide << Down::Middle << QPoint(5, 20);
    QTest::newRow("middle of 43: 21.5 to 22")
        << QSize(50, 43) << Across::LeftSide << Down::Middle << QPoint(5, 22);
    QTest::newRow("bottom of a low picture")
        << QSize(50, 12) << Across::LeftSide << Down::Bottom << QPoint(5, -18);
}

void TestSelection::textStart()
{
    QFETCH(QSize, picture);
    QFETCH(Across, across);
    QFETCH(Down, down);
    QFETCH(QPoint, start);
    QCOMPARE(::textStart(picture.width(), picture.height(), across, down), start);
}

void TestSelection::colours_data()
{
    QTest::addColumn<qint32>("bgr");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red") << qint32(0x0000FF) << QColor(255, 0, 0);
    QTest::newRow("blue") << qint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("green") << qint32(0x008000) << QColor(0, 128, 0);
    QTest::newRow("navy") << qint32(0x800000) << QColor(0, 0, 128);
    QTest::newRow("aqua") << qint32(0xFFFF00) << QColor(0, 255, 255);
}

void TestSelection::colours()
{
    QFETCH(qint32, bgr);
    QFETCH(QColor, colour);
    QCOMPARE(colourFromBgr(bgr), colour);
}

FG_TEST_MAIN(TestSelection)
#include "test_selection.moc"
