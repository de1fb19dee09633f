#include "output/image_file.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The writer of the converted pictures: a new file, whole or not at all, never over what is
// there and never through a link, with the mode every program of the user gives its files.
class TestImageFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newFile_data();
    void newFile();
};

void TestImageFile::newFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>(
        "before"); // what stands under the name: nothing, file, link, dangling
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode"); // 0: not written
    const QString longest = QString(251, 'x') + ".BMP";
    QTest::newRow("umask 077") << "PHOTO.JPG"
                               << "" << 077 << 0600;
    QTest::newRow("umask 022") << "PHOTO.JPG"
                               << "" << 022 << 0644;
    QTest::newRow("umask 002") << "PHOTO.JPG"
                               << "" << 002 << 0664;
    QTest::newRow("name of 252 bytes") << longest.mid(3) << "" << 022 << 0644;
    QTest::newRow("name of 255 bytes") << longest << "" << 022 << 0644;
    QTest::newRow("existing file") << "B.JPG"
                                   << "file" << 022 << 0;
    QTest::newRow("link to a file outside") << "B.JPG"
                                            << "link" << 022 << 0;
    QTest::newRow("link leading nowhere") << "B.JPG"
                                          << "dangling" << 022 << 0;
}

void TestImageFile::newFile()
{
    QFETCH(QString, name);
    QFETCH(QString, before);
    QFETCH(int, mask);
    QFETCH(int, mode);
    const QTemporaryDir scratch;
    const QString folder = scratch.filePath("pics"), outside = scratch.filePath("victim");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/" + name;
    QFile victim(outside);
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("victim") == 6);
    victim.close();
    if (before == "file")
        QVERIFY(QFile::copy(outside, path));
    else if (before == "link")
        QVERIFY(QFile::link(outside, path));
    else if (before == "dangling")
        QVERIFY(QFile::link(scratch.filePath("created"), path));
    const mode_t previous = umask(mode_t(mask));
    const auto restore = qScopeGuard([&] { umask(previous); });

    QCOMPARE(writeNewFile(path, "picture"), mode != 0);

    // only the name itself, no hidden file left beside it
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                    QDir::System),
             QStringList({name}));
    QCOMPARE(QDir(scratch.path()).entryList(QDir::Files), QStringList({"victim"}));
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("victim"));
    if (mode == 0)
        return;
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("picture"));
    struct stat facts {
    };
    QCOMPARE(lstat(QFile::encodeName(path).constData(), &facts), 0);
    QCOMPARE(int(facts.st_mode & 07777), mode);
}

QTEST_GUILESS_MAIN(TestImageFile)
#include "test_image_file.moc"
