#include "fg_test.h"
#include "shell/settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

class TestSettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsValues_data();
    void readsValues();
    void writesValues_data();
    void writesValues();
    void readsFromFile();
    void saveKeepsOtherBytes();
    void saveCreatesMissingFile();
    void unwritableFileIsReportedAndKept();
    void savedSizeReadsBack_data();
    void savedSizeReadsBack();
    void unreadableFileIsReportedAndKept();
    void oddFileInItsPlace_data();
    void oddFileInItsPlace();

private:
    QTemporaryDir dir_;
};

void TestSettingsFile::readsValues_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("both") << QByteArray("[form1]\nW=900\nH=700\n") << 900 << 700;
    QTest::newRow("no file contents") << QByteArray() << 0 << 0;
    QTest::newRow("other section only") << QByteArray("[other]\nW=900\n") << 0 << 0;
    QTest::newRow("not a number") << QByteArray("[form1]\nW=abc\nH=600\n") << 0 << 600;
    QTest::newRow("trailing letters") << QByteArray("[form1]\nW=12px\nH=7\n") << 0 << 7;
    QTest::newRow("zero width") << QByteArray("[form1]\nW=0\nH=650\n") << 0 << 650;
    QTest::newRow("empty value") << QByteArray("[form1]\nW=\nH=650\n") << 0 << 650;
    QTest::newRow("blanks and case")
        << QByteArray("[ FORM1 ]\r\n w = 801 \r\nh=602\r\n") << 801 << 602;
    QTest::newRow("key in later section ignored")
        << QByteArray("[form1]\nH=5\n[x]\nW=900\n") << 0 << 5;
    QTest::newRow("comment line") << QByteArray("[form1]\n;W=1\nW=2\n") << 2 << 0;
    QTest::newRow("overflow") << QByteArray("[form1]\nW=99999999999\n") << 0 << 0;
}

void TestSettingsFile::readsValues()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, w);
    QFETCH(int, h);
    QCOMPARE(wholeNumberOrZero(iniValue(contents, "form1", "W")), w);
    QCOMPARE(wholeNumberOrZero(iniValue(contents, "form1", "H")), h);
}

void TestSettingsFile::writesValues_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty file") << QByteArray() << QByteArray("[form1]\nW=10\n");
    QTest::newRow("replace in place") << QByteArray("; mine\n[form1]\nW=5 ; old\nH=6\n[b]\nk=v\n")
                                      << QByteArray("; mine\n[form1]\nW=10\nH=6\n[b]\nk=v\n");
    QTest::newRow("add to section before the next one")
        << QByteArray("[form1]\nH=6\n\n[b]\nk=v\n")
        << QByteArray("[form1]\nH=6\nW=10\n\n[b]\nk=v\n");
    QTest::newRow("add section after text without a final break")
        << QByteArray("[b]\nk=v") << QByteArray("[b]\nk=v\n[form1]\nW=10\n");
    QTest::newRow("last line without break")
        << QByteArray("[form1]\nH=6") << QByteArray("[form1]\nH=6\nW=10");
    QTest::newRow("keeps CRLF") << QByteArray("[a]\r\nx=1\r\n")
                                << QByteArray("[a]\r\nx=1\r\n[form1]\r\nW=10\r\n");
}

void TestSettingsFile::writesValues()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QCOMPARE(withIniValue(before, "form1", "W", "10"), after);
}

void TestSettingsFile::readsFromFile()
{
    const QString path = dir_.filePath("read.ini");
    QCOMPARE(ReadWindowWidth("form1", path), 0); // no file at all
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[form1]\nW=abc\nH=480\n");
    file.close();
    QCOMPARE(ReadWindowWidth("form1", path), 0);
    QCOMPARE(ReadWindowHeight("form1", path), 480);
}

void TestSettingsFile::saveKeepsOtherBytes()
{
    const QString path = dir_.filePath("keep.ini");
    const QByteArray before = "# written by hand\n[other]\nW=1\n\n[form1]\n; size\nW=3\nH=4\n"
                              "Extra = yes\n[last]\nH=9\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(before);
    file.close();
    SaveWindowSize(QSize(812, 640), "form1", path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("# written by hand\n[other]\nW=1\n\n[form1]\n; size\nW=812\n"
                        "H=640\nExtra = yes\n[last]\nH=9\n"));
}

void TestSettingsFile::saveCreatesMissingFile()
{
    const QString path = dir_.filePath("new.ini");
    SaveWindowSize(QSize(700, 500), "form1", path);
    QCOMPARE(ReadWindowWidth("form1", path), 700);
    QCOMPARE(ReadWindowHeight("form1", path), 500);
}

void TestSettingsFile::unwritableFileIsReportedAndKept()
{
    const QString path = dir_.filePath("missing-folder/SG_2.ini");
    try {
        SaveWindowSize(QSize(1, 2), "form1", path);
        QFAIL("no failure reported");
    } catch (const std::runtime_error& failure) {
        QCOMPARE(QString::fromUtf8(failure.what()), "Unable to write to " + path);
    }
    QVERIFY(!QFile::exists(path));
}

void TestSettingsFile::savedSizeReadsBack_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("header ends in a lone CR")
        << QByteArray("[form1]\r") << QByteArray("[form1]\rW=800\rH=600\r");
    QTest::newRow("keys on CR lines")
        << QByteArray("[form1]\rW=1\rH=2") << QByteArray("[form1]\rW=800\rH=600");
    QTest::newRow("other section ends in CR")
        << QByteArray("[a]\rk=v\r") << QByteArray("[a]\rk=v\r[form1]\rW=800\rH=600\r");
    QTest::newRow("CRLF file, last line CR")
        << QByteArray("x\r\n[form1]\r") << QByteArray("x\r\n[form1]\rW=800\r\nH=600\r\n");
    QTest::newRow("CR before LF-ended key")
        << QByteArray("[form1]\r\nq\rW=5\n") << QByteArray("[form1]\r\nq\rW=800\nH=600\r\n");
}

void TestSettingsFile::savedSizeReadsBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QString path = dir_.filePath("cr.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(before);
    file.close();
    SaveWindowSize(QSize(800, 600), "form1", path);
    QCOMPARE(ReadWindowWidth("form1", path), 800);
    QCOMPARE(ReadWindowHeight("form1", path), 600);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after);
}

void TestSettingsFile::unreadableFileIsReportedAndKept()
{
    if (geteuid() == 0)
        QSKIP("root reads a file whatever its mode: run this test as an ordinary user");
    const QString path = dir_.filePath("SG_2.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[mine]\nimportant=1\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    QString failure;
    try {
        SaveWindowSize(QSize(800, 600), "form1", path);
    } catch (const std::runtime_error& error) {
        failure = QString::fromUtf8(error.what());
    }
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(failure, "Unable to write to " + path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[mine]\nimportant=1\n"));
}

// What stands under the settings file's name is no settings file: it reads as no size at once
// (a FIFO never waited on, an endless device never read to its end) and is never written over.
void TestSettingsFile::oddFileInItsPlace_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to an endless device") << "zero";
    QTest::newRow("folder") << "folder";
    QTest::newRow("file far too large") << "large";
}

void TestSettingsFile::oddFileInItsPlace()
{
    QFETCH(QString, kind);
    const QString path = dir_.filePath(kind + "/SG_2.ini");
    QVERIFY(QDir().mkpath(dir_.filePath(kind)));
    const QByteArray large = "[form1]\nW=900\n" + QByteArray(4 << 20, ';');
    if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", path));
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(path));
    else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(large) == large.size());
    }
    const QFileInfo before(path);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(ReadWindowWidth("form1", path), 0);
    QVERIFY2(clock.elapsed() < 2000, "read at once");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, SaveWindowSize(QSize(800, 600), "form1", path));
    const QFileInfo after(path);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.lastModified(), before.lastModified());
}

FG_TEST_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
