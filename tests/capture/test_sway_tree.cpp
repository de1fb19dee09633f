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
    QTest::addColumn<QRect>("frame"); // null: none
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
    QTest::newRow("only the empty workspace has the focus") << tree("true", other, "") << QRect();
}

void TestSwayTree::focusedWindowFrame()
{
    QFETCH(QByteArray, tree);
    QFETCH(QRect, frame);
    const QJsonDocument document = QJsonDocument::fromJson(tree);
    QVERIFY(document.isObject());
    QCOMPARE(platform::focusedWindowInTree(document.object()).value_or(QRect()), frame);
}

QTEST_GUILESS_MAIN(TestSwayTree)
#include "test_sway_tree.moc"
