#include "fg_test.h"
#include "shell/panel_layout.h"

class TestPanelLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void arrange_data();
    void arrange();
};

void TestPanelLayout::arrange_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("groupLeft");
    QTest::addColumn<int>("scrollWidth");
    QTest::addColumn<int>("scrollHeight");
    QTest::addColumn<int>("labelLeft");
    QTest::newRow("900 wide") << 900 << 700 << 724 << 714 << 655 << 729;
    QTest::newRow("design size") << 756 << 603 << 580 << 570 << 558 << 585;
    QTest::newRow("narrower than the panel") << 180 << 44 << 4 << 0 << 0 << 9;
    QTest::newRow("exactly zero") << 186 << 45 << 10 << 0 << 0 << 15;
}

void TestPanelLayout::arrange()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, groupLeft);
    QFETCH(int, scrollWidth);
    QFETCH(int, scrollHeight);
    QFETCH(int, labelLeft);
    const PanelLayout layout = arrangePanel(w, h, {156, 156, 156, 156});
    QCOMPARE(layout.groupLefts, QList<int>(4, groupLeft));
    QCOMPARE(layout.scrollBoxWidth, scrollWidth);
    QCOMPARE(layout.scrollBoxHeight, scrollHeight);
    QCOMPARE(layout.labelLeft, labelLeft);
}

FG_TEST_MAIN(TestPanelLayout)
#include "test_panel_layout.moc"
