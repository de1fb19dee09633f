#include "fg_test.h"
#include "platform/user_folders.h"

class TestUserFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void configFolder_data();
    void configFolder();
};

void TestUserFolders::configFolder_data()
{
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("folder");
    QTest::newRow("absolute XDG") << "/x/cfg"
                                  << "/home/u"
                                  << "/x/cfg";
    QTest::newRow("relative XDG") << "cfg"
                                  << "/home/u"
                                  << "/home/u/.config";
    QTest::newRow("no XDG") << ""
                            << "/home/u/"
                            << "/home/u/.config";
    QTest::newRow("no HOME") << ""
                             << ""
                             << "/account/.config";
    QTest::newRow("relative HOME") << ""
                                   << "u"
                                   << "/account/.config";
    QTest::newRow("HOME is the root") << ""
                                      << "/"
                                      << "/.config";
}

void TestUserFolders::configFolder()
{
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    QFETCH(QString, folder);
    QCOMPARE(platform::configFolderFor(xdg, home, "/account"), folder);
}

FG_TEST_MAIN(TestUserFolders)
#include "test_user_folders.moc"
