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

QTEST_GUILESS_MAIN(TestWebPictureRules)
#include "test_web_picture_rules.moc"
