#include "tools/web_picture_rules.h"

#include <QTest>

class TestWebPictureRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressToLoad_data();
    void addressToLoad();
    void pictureAddresses_data();
    void pictureAddresses();
    void unsafeNamesGiveNoPath_data();
    void unsafeNamesGiveNoPath();
    void numberedNames_data();
    void numberedNames();
    void browserRefusal_data();
    void browserRefusal();
};

void TestWebPictureRules::addressToLoad_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("no scheme") << "www.example.com"
                               << "http://www.example.com";
    QTest::newRow("http:// in the middle") << "go.to/?u=http://x"
                                           << "go.to/?u=http://x";
    QTest::newRow("capital scheme") << "HTTP://x.org"
                                    << "http://HTTP://x.org";
    QTest::newRow("https") << "https://x.org"
                           << "http://https://x.org";
    QTest::newRow("leading blank") << " x.org"
                                   << "http:// x.org";
    QTest::newRow("blank") << " \t "
                           << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestWebPictureRules::addressToLoad()
{
    QFETCH(QString, typed);
    QFETCH(QString, loaded);
    QCOMPARE(::addressToLoad(typed), loaded);
}

void TestWebPictureRules::pictureAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("wanted");
    QTest::addColumn<QString>("name");
    QTest::newRow("Jpg") << "http://h/c.Jpg" << true << "c.Jpg";
    QTest::newRow("query") << "http://h/c.jpg?v=2" << false << "c.jpg?v=2";
    QTest::newRow("fragment") << "http://h/c.gif#x" << false << "c.gif#x";
    QTest::newRow("no dot") << "gif" << true << "gif";
    QTest::newRow("dotless i") << "http://h/c.g\u0131f" << false << "c.g\u0131f";
    QTest::newRow("no slash") << "x.gif" << true << "x.gif";
    // the name as the browser shows it, checked for separators after decoding
    QTest::newRow("encoded blank") << "http://h/my%20photo.jpg" << true << "my photo.jpg";
    QTest::newRow("encoded separator") << "http://h/..%2Fx.gif" << true << "../x.gif";
    QTest::newRow("encoded dot dot") << "http://h/%2E%2E" << false << "..";
    QTest::newRow("stray percent") << "http://h/100%.gif" << true << "100%.gif";
    QTest::newRow("percent at the end") << "http://h/x.gif%2" << false << "x.gif%2";
}

void TestWebPictureRules::pictureAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, wanted);
    QFETCH(QString, name);
    QCOMPARE(isWantedPicture(address), wanted);
    QCOMPARE(pictureFileName(address), name);
}

void TestWebPictureRules::unsafeNamesGiveNoPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "a.gif"
                           << "/p//a.gif";
    QTest::newRow("hidden") << ".gif"
                            << "/p//.gif";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("dot") << "."
                         << "";
    QTest::newRow("dot dot") << ".."
                             << "";
    QTest::newRow("separator") << "../x.gif"
                               << "";
    QTest::newRow("zero") << QString::fromLatin1("a\0.gif", 6) << "";
}

void TestWebPictureRules::unsafeNamesGiveNoPath()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(targetPath("/p/", name), path);
}

void TestWebPictureRules::numberedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("numbered");
    QTest::newRow("first keeps its name") << "same.jpg" << 1 << "same.jpg";
    QTest::newRow("second") << "same.jpg" << 2 << "same (2).jpg";
    QTest::newRow("before the last dot") << "a.b.gif" << 12 << "a.b (12).gif";
    QTest::newRow("no extension") << "gif" << 3 << "gif (3)";
    QTest::newRow("hidden name") << ".gif" << 2 << ".gif (2)";
}

void TestWebPictureRules::numberedNames()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QFETCH(QString, numbered);
    QCOMPARE(numberedName(name, number), numbered);
}

void TestWebPictureRules::browserRefusal_data()
{
    QTest::addColumn<bool>("superuser");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value"); // unset when the variable is empty
    QTest::addColumn<bool>("refuses");
    QTest::newRow("ordinary user") << false << ""
                                   << "" << false;
    QTest::newRow("root") << true << ""
                          << "" << true;
    QTest::newRow("root, sandbox off") << true << "QTWEBENGINE_DISABLE_SANDBOX"
                                       << "1" << false;
    QTest::newRow("root, sandbox off by its mere presence") << true << "QTWEBENGINE_DISABLE_SANDBOX"
                                                            << "" << false;
    QTest::newRow("root, browser told so") << true << "QTWEBENGINE_CHROMIUM_FLAGS"
                                           << "--disable-gpu --no-sandbox" << false;
    QTest::newRow("root, other browser flags") << true << "QTWEBENGINE_CHROMIUM_FLAGS"
                                               << "--no-sandboxing" << true;
}

void TestWebPictureRules::browserRefusal()
{
    QFETCH(bool, superuser);
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(bool, refuses);
    QProcessEnvironment environment;
    if (!variable.isEmpty())
        environment.insert(variable, value);
    QCOMPARE(browserRefusesToStart(superuser, environment), refuses);
}

QTEST_GUILESS_MAIN(TestWebPictureRules)
#include "test_web_picture_rules.moc"
