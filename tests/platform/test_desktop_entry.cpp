#include "platform/desktop_entry_xdg.h"

#include <QTest>

// How a browser's desktop entry becomes the command line that opens one of our documents.
class TestDesktopEntry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandForDocument_data();
    void commandForDocument();
};

void TestDesktopEntry::commandForDocument_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("expected"); // empty: no usable command

    const QString head = "[Desktop Entry]\nType=Application\nName=Web\nIcon=web\n";
    const QString doc = "/opt/my apps/help/readme.html";
    const QString url = "file:///opt/my%20apps/help/readme.html";
    QTest::newRow("file code") << head + "Exec=browser %f" << QStringList{"browser", doc};
    QTest::newRow("url code") << head + "Exec=browser %u" << QStringList{"browser", url};
    QTest::newRow("no code: added")
        << head + "Exec=browser --new" << QStringList{"browser", "--new", doc};
    QTest::newRow("inside a word")
        << head + "Exec=browser --open=%F" << QStringList{"browser", "--open=" + doc};
    QTest::newRow("quoted program") << head + "Exec=\"/opt/web browser/run\"  -x %U"
                                    << QStringList{"/opt/web browser/run", "-x", url};
    QTest::newRow("escapes in quotes") << head + R"(Exec=run "say \\"hi\\" \\$HOME \\\\" %f)"
                                       << QStringList{"run", R"(say "hi" $HOME \)", doc};
    QTest::newRow("icon, name, entry, percent")
        << head + "Exec=run %i %c %k 100%% %d"
        << QStringList{"run", "--icon", "web", "Web", "/e/web.desktop", "100%", doc};
    QTest::newRow("empty quoted word") << head + "Exec=run \"\" %f" << QStringList{"run", "", doc};
    QTest::newRow("action's command ignored")
        << "[Desktop Entry]\nType=Application\nExec=main %u\n[Desktop Action new]\nExec=other %u"
        << QStringList{"main", url};
    QTest::newRow("open quote") << head + "Exec=run \"/opt/x %f" << QStringList{};
    QTest::newRow("no command") << head << QStringList{};
    QTest::newRow("not an application")
        << "[Desktop Entry]\nType=Link\nExec=run %f" << QStringList{};
    QTest::newRow("hidden") << head + "Hidden=true\nExec=run %f" << QStringList{};
    QTest::newRow("other group only")
        << "[Desktop Action x]\nType=Application\nExec=run" << QStringList{};
}

void TestDesktopEntry::commandForDocument()
{
    QFETCH(QString, entry);
    QFETCH(QStringList, expected);
    const auto command =
        platform::xdg::commandForDocument(entry, "/e/web.desktop", "/opt/my apps/help/readme.html");
    QCOMPARE(command.value_or(QStringList{}), expected);
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "test_desktop_entry.moc"
