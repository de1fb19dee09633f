#include "fg_test.h"
#include "shell/settings_file.h"

#include <QFile>
#include <QTemporaryDir>

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

FG_TEST_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
