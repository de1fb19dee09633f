#include "fg_test.h"
#include "shell/paint_program.h"

class TestPaintProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void search_data();
    void search();
};

void TestPaintProgram::search_data()
{
    QTest::addColumn<QString>("registered"); // "-" means the key cannot be opened
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("found");
    const QString w = "C:\\WINDOWS";
    QTest::newRow("registered value wins")
        << "D:\\Paint\\mspaint.exe" << QStringList{w + "\\pbrush.exe"} << "D:\\Paint\\mspaint.exe";
    QTest::newRow("registered file missing still wins")
        << "%SystemRoot%\\gone.exe" << QStringList{} << "%SystemRoot%\\gone.exe";
    QTest::newRow("empty value falls to probes")
        << "" << QStringList{w + "\\mspaint.exe"} << w + "\\mspaint.exe";
    QTest::newRow("pbrush before mspaint")
        << "-" << QStringList{w + "\\mspaint.exe", w + "\\pbrush.exe"} << w + "\\pbrush.exe";
    QTest::newRow("system32 mspaint before pbrush")
        << "-" << QStringList{w + "\\system32\\pbrush.exe", w + "\\system32\\mspaint.exe"}
        << w + "\\system32\\mspaint.exe";
    QTest::newRow("system32 before system")
        << "-" << QStringList{w + "\\system\\mspaint.exe", w + "\\system32\\pbrush.exe"}
        << w + "\\system32\\pbrush.exe";
    QTest::newRow("last probe") << "-" << QStringList{w + "\\system\\pbrush.exe"}
                                << w + "\\system\\pbrush.exe";
    QTest::newRow("nothing") << "-" << QStringList{"C:\\other\\pbrush.exe"} << "";
}

void TestPaintProgram::search()
{
    QFETCH(QString, registered);
    QFETCH(QStringList, files);
    QFETCH(QString, found);
    QStringList probed;
    const auto appPaths = [&]() -> std::optional<QString> {
        if (registered == "-")
            return std::nullopt;
        return registered;
    };
    const auto exists = [&](const QString& path) {
        probed.append(path);
        return files.contains(path);
    };
    QCOMPARE(findWindowsPaintProgram("C:\\WINDOWS", appPaths, exists), found);
    if (registered != "-" && !registered.isEmpty())
        QVERIFY2(probed.isEmpty(), "a registered value must not be checked or probed past");
}

FG_TEST_MAIN(TestPaintProgram)
#include "test_paint_program.moc"
