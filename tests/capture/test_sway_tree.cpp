#include "platform/sway_ipc.h"

#include <QJsonDocument>
#include <QTest>

class TestSwayTree : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void focusedWindowFrame_data();
    void focusedWindowFrame();
};

void TestSwayTree::focusedWindowFrame_data()
{
    QTest::addColumn<QByteArray>("tree");
    QTest::addColumn<QRect>("frame"); // null: outside the screen
    const QByteArray output = R"({"type":"root","focused":false,"nodes":[{"type":"output",
        "nodes":[{"type":"workspace","focused":%1,"nodes":[%2],"floating_nodes":[%3]}]}]})";
    const QByteArray floating = R"({"type":"floating_con","focused":true,
        "rect":{"x":100,"y":145,"width":324,"height":202},
        "deco_rect":{"x":100,"y":120,"width":324,"height":25}})";
    const QByteArray tiled = R"({"type":"con","focused":false,"nodes":[{"type":"con",
        "focused":true,"rect":{"x":640,"y":0,"width":640,"height":1024},
        "deco_rect":{"x":0,"y":0,"width":0,"height":0}}]})";
    const QByteArray other = R"({"type":"con","focused":false,"rect":{"x":0,"y":0,
        "width":640,"height":1024}})";
    // (-1, -1, 1, 1): no window has the focus
    auto tree = [&](const char* workspaceFocused, const QByteArray& nodes,
                    const QByteArray& floatingNodes) {
        return QByteArray(output)
            .replace("%1", workspaceFocused)
            .replace("%2", nodes)
            .replace("%3", floatingNodes);
    };
    QTest::newRow("floating, title bar above its rectangle")
        << tree("false", other, floating) << QRect(100, 120, 324, 227);
    QTest::newRow("tiled deep in a split, no title bar")
        << tree("false", other + "," + tiled, "") << QRect(640, 0, 640, 1024);
    QTest::newRow("only the empty workspace has the focus")
        << tree("true", other, "") << QRect(-1, -1, 1, 1);
    // numbers no real compositor sends, cut to the 1280 x 1024 screen without overflowing
    const auto focused = [&](const char* rect, const char* deco) {
        return tree("false",
                    QByteArray(R"({"type":"con","focused":true,"rect":)") + rect +
                        R"(,"deco_rect":)" + deco + "}",
                    "");
    };
    const char* noTitle = R"({"x":0,"y":0,"width":0,"height":0})";
    QTest::newRow("edges at plus and minus 2^31")
        << focused(R"({"x":-2147483648,"y":-2147483648,"width":4294967295,"height":4294967295})",
                   noTitle)
        << QRect(0, 0, 1280, 1024);
    QTest::newRow("title bar of 2^31 above the top")
        << focused(R"({"x":10,"y":-2147483648,"width":100,"height":4294967295})",
                   R"({"x":0,"y":0,"width":100,"height":2147483648})")
        << QRect(10, 0, 100, 1024);
    QTest::newRow("far outside, right and below")
        << focused(R"({"x":2147483647,"y":2147483647,"width":2147483647,"height":1})", noTitle)
        << QRect();
    QTest::newRow("huge and fractional numbers")
        << focused(R"({"x":0.5,"y":0.5,"width":1e300,"height":20.9})", noTitle)
        << QRect(0, 0, 1280, 20);
    QTest::newRow("negative size")
        << focused(R"({"x":100,"y":100,"width":-50,"height":-50})", noTitle) << QRect();
}

void TestSwayTree::focusedWindowFrame()
{
    QFETCH(QByteArray, tree);
    QFETCH(QRect, frame);
    const QJsonDocument document = QJsonDocument::fromJson(tree);
    QVERIFY(document.isObject());
    QCOMPARE(platform::focusedWindowInTree(document.object(), QRect(0, 0, 1280, 1024))
                 .value_or(QRect(-1, -1, 1, 1)),
             frame);
}

QTEST_GUILESS_MAIN(TestSwayTree)
#include "test_sway_tree.moc"
