#include "fg_test.h"
#include "output/last_used_folder.h"
#include "platform/user_folders.h"

#include <QRegularExpression>
#include <QSettings>

class TestUserFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void configFolder_data();
    void configFolder();
    void unwritableStoreIsLogged_data();
    void unwritableStoreIsLogged();
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

void TestUserFolders::unwritableStoreIsLogged_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("logged");
    QTest::newRow("settings folder under a file")
        << "settings folder"
        << "Could not create the settings folder .*/taken/cfg: Not a directory";
    QTest::newRow("last-used folder kept in a folder")
        << "last-used folder"
        << "Could not remember the folder of the last save in .*/Framegrove.conf";
}

// A store that cannot be written says so with its place, instead of losing the settings quietly.
void TestUserFolders::unwritableStoreIsLogged()
{
    QFETCH(QString, store);
    QFETCH(QString, logged);
    QTemporaryDir dir;
    QFile taken(dir.filePath("taken"));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    QVERIFY(QDir().mkpath(dir.filePath("Kelmar/Framegrove.conf")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    if (store == "settings folder") {
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.filePath("taken/cfg").toLocal8Bit());
        QCOMPARE(platform::roamingAppDataFolder(), dir.filePath("taken/cfg"));
        qputenv("XDG_CONFIG_HOME", oldConfig);
    } else {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        WriteLastUsedFolder("/shots/a.png");
    }
}

FG_TEST_MAIN(TestUserFolders)
#include "test_user_folders.moc"
