#include "fg_test.h"
#include "tools/folder_listing.h"

#include <QDir>

namespace
{

// Ten pixels a character, text ten pixels high: lines are 12 apart.
TextStreamPage page(int width, int height)
{
    return {QSize(width, height), 10, [](const QString& text) { return int(text.size()) * 10; }};
}

// "page:x,y:text" for every run, in order.
QStringList described(const QList<PrintedPage>& pages)
{
    QStringList runs;
    for (qsizetype i = 0; i < pages.size(); ++i)
        for (const PrintedRun& run : pages[i])
            runs.append(
                QString("%1:%2,%3:%4").arg(i).arg(run.at.x()).arg(run.at.y()).arg(run.text));
    return runs;
}

} // namespace

class TestFolderListing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textStream_data();
    void textStream();
    void namesOfRegularVisibleFiles();
};

void TestFolderListing::textStream_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QSize>("pageSize");
    QTest::addColumn<QStringList>("runs");
    QTest::newRow("lines 12 apart from the corner")
        << QStringList{"Files Located In /x/", " ", "a"} << QSize(1000, 1000)
        << QStringList{"0:0,0:Files Located In /x/", "0:0,12: ", "0:0,24:a"};
    QTest::newRow("a line without text is as high as the font")
        << QStringList{"a", "", "b"} << QSize(1000, 1000) << QStringList{"0:0,0:a", "0:0,22:b"};
    QTest::newRow("text wider than the page goes on in the next line")
        << QStringList{"abcdefghijkl", "m"} << QSize(50, 1000)
        << QStringList{"0:0,0:abcde", "0:0,12:fghij", "0:0,24:kl", "0:0,36:m"};
    QTest::newRow("a character wider than the page still prints")
        << QStringList{"ab"} << QSize(5, 1000) << QStringList{"0:0,0:a", "0:0,12:b"};
    // after the fourth line the pen is at 48, lower than 60 - 2 x 12
    QTest::newRow("page break, no header again")
        << QStringList{"h", " ", "1", "2", "3", "4", "5", "6", "7"} << QSize(100, 60)
        << QStringList{"0:0,0:h",  "0:0,12: ", "0:0,24:1", "0:0,36:2", "1:0,0:3",
                       "1:0,12:4", "1:0,24:5", "1:0,36:6", "2:0,0:7"};
    QTest::newRow("no empty page after the last line")
        << QStringList{"1", "2", "3", "4"} << QSize(100, 60)
        << QStringList{"0:0,0:1", "0:0,12:2", "0:0,24:3", "0:0,36:4"};
}

void TestFolderListing::textStream()
{
    QFETCH(QStringList, lines);
    QFETCH(QSize, pageSize);
    QFETCH(QStringList, runs);
    const QList<PrintedPage> pages =
        layOutTextStream(lines, page(pageSize.width(), pageSize.height()));
    QCOMPARE(described(pages), runs);
    QCOMPARE(pages.size(), runs.last().section(':', 0, 0).toInt() + 1); // none left empty
}

// Sorted as a person reads them, whatever the letter case; no folders, dot files or FIFOs.
void TestFolderListing::namesOfRegularVisibleFiles()
{
    QTemporaryDir folder;
    for (const QString name : {"b second", "C third", "A first", ".hidden", "a2"})
        QFile(folder.filePath(name)).open(QIODevice::WriteOnly);
    QDir(folder.path()).mkdir("D folder");
    fgtest::runPeer("mkfifo", {folder.filePath("E fifo")});
    QFile::link("/dev/null", folder.filePath("F device"));
    QCOMPARE(listingNames(folder.path() + "/", true),
             QStringList({"A first", "a2", "b second", "C third"}));
    QStringList unsorted = listingNames(folder.path(), false);
    const QStringList inDirectoryOrder =
        QString::fromUtf8(fgtest::runPeer("find", {folder.path(), "-maxdepth", "1", "-type", "f",
                                                   "-not", "-name", ".*", "-printf", "%f\\n"}))
            .split('\n', Qt::SkipEmptyParts);
    QCOMPARE(unsorted, inDirectoryOrder);
}

FG_TEST_MAIN(TestFolderListing)
#include "test_folder_listing.moc"
