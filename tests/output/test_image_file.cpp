#include "output/image_file.h"
#include "sample_pictures.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

QStringList entriesUnder(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(it.next());
    entries.sort();
    return entries;
}

} // namespace

// The writers of pictures: the converted ones a new file, whole or not at all, never over what is
// there and never through a link, with the mode every program of the user gives its files; a
// saved one replaces the file whole, or leaves what was there when it cannot.
class TestImageFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newFile_data();
    void newFile();
    void fileReplacedWhole_data();
    void fileReplacedWhole();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void fullDiskReported_data();
    void fullDiskReported();

private:
    fgtest::PictureFolder pictures_;
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

void TestImageFile::fileReplacedWhole_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("new file") << QByteArray() << QByteArray("picture");
    QTest::newRow("over a longer file") << QByteArray(5000, 'x') << QByteArray("picture");
    QTest::newRow("over a shorter file") << QByteArray("old") << QByteArray(70000, 'p');
}

void TestImageFile::fileReplacedWhole()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, bytes);
    const QString path =
        before.isNull() ? pictures_.pathFor("bin") : pictures_.written(before, "bin");
    writeFileAtomically(path, bytes);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestImageFile::failedWriteLeavesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "missing/picture.png";
    QTest::newRow("folder in the way") << "folder";
    QTest::newRow("file as folder") << "plain/picture.png";
}

void TestImageFile::failedWriteLeavesNothing()
{
    QFETCH(QString, name);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir("folder"));
    QVERIFY(QFile(root.filePath("folder/kept")).open(QIODevice::WriteOnly));
    QVERIFY(QFile(root.filePath("plain")).open(QIODevice::WriteOnly));
    const QStringList before = entriesUnder(root.path());

    const QString path = root.filePath(name);
    const QString failure = fgtest::failureText([&] { writeFileAtomically(path, "picture"); });
    QVERIFY2(failure.startsWith("Unable to write to " + path + ": "), qPrintable(failure));
    QCOMPARE(entriesUnder(root.path()), before);
}

void TestImageFile::fullDiskReported_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("new file") << QByteArray();
    QTest::newRow("earlier file kept") << QByteArray("earlier picture");
}

void TestImageFile::fullDiskReported()
{
    QFETCH(QByteArray, before);
    QTemporaryDir root;
    if (geteuid() != 0 ||
        QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "fgtest", root.path()}) != 0)
        QSKIP("a small full file system needs root to mount a size-limited tmpfs");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {root.path()}); });
    const QString path = root.filePath("shot.png");
    QFile file(path);
    if (!before.isNull()) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
    }
    const QStringList entries = entriesUnder(root.path());
    const QString failure =
        fgtest::failureText([&] { writeFileAtomically(path, QByteArray(1 << 20, 'p')); });
    QCOMPARE(failure, "Unable to write to " + path + ": No space left on device");
    QCOMPARE(entriesUnder(root.path()), entries);
    if (!before.isNull()) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
}

QTEST_GUILESS_MAIN(TestImageFile)
#include "test_image_file.moc"
