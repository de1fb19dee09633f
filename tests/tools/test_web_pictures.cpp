#include "fg_test.h"
#include "local_web_server.h"
#include "tools/web_pictures_loader.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

template <typename Widget> Widget* part(QDialog& dialog, const char* name)
{
    auto* widget = dialog.findChild<Widget*>(name);
    if (!widget)
        qFatal("the dialog has no %s", name);
    return widget;
}

QStringList lines(QDialog& dialog)
{
    QStringList all;
    auto* list = part<QListWidget>(dialog, "ListBox1");
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

// Opens the dialog as the main window's button does and runs `use` on it; the dialog is
// closed afterwards, even when a check in `use` failed.
void withDialog(const std::function<void(QDialog&)>& use)
{
    fgtest::answerWhenOpen<QDialog>([use](QDialog& dialog) {
        use(dialog);
        dialog.reject();
    });
    openWebPictures(nullptr, fgtest::services(), FG_BUILD_DIR "/framegrove_web_pictures.so");
}

// Types the address and waits until the page has run its script at the end.
void loadPage(QDialog& dialog, const QString& address)
{
    part<QLineEdit>(dialog, "EdWebpage")->setText(address);
    QTest::mouseClick(part<QPushButton>(dialog, "CmdLoad"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(part<QWidget>(dialog, "WebBrowser2")->property("title").toString(),
                              QString("ready"), 30000);
}

const QString LongName = "a_name_long_enough_to_need_the_list_to_scroll_sideways.gif";

QString const Hint = "Hint: Once your website loads (you will see it on the right), you can "
                     "then use the download button below to grab all the images.";

} // namespace

class TestWebPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void downloadsThePicturesOfAPage();
    void refusesWhatItCannotDo_data();
    void refusesWhatItCannotDo();
    void runIsCutShort_data();
    void runIsCutShort();
    void listExtentSettles_data();
    void listExtentSettles();

private:
    QTemporaryDir dir_;
    fgtest::LocalWebServer server_;
};

void TestWebPictures::initTestCase()
{
    QVERIFY(server_.isListening());
    const QByteArray pictures =
        "a.gif b.GIF c.Jpg d.jpeg e.png f.jpg?v=2 one/same.gif two/same.gif missing.gif moved.jpg "
        "stall.jpg huge.jpg endless.jpg trickle.jpg pics/.. my%20photo.jpg planted.jpg "
        "dangling.gif holiday.jpg a_name_long_enough_to_need_the_list_to_scroll_sideways.gif";
    QByteArray page = "<html><body>";
    for (const QByteArray& name : pictures.split(' ')) {
        page += "<img src=\"" + name + "\">";
        server_.pages["/" + name] = {"bytes of " + name};
    }
    page += "<img src=\"file://" + dir_.filePath("secret.gif").toUtf8() + "\">";
    page += "<script>document.title = 'ready'</script></body></html>";
    server_.pages["/page.html"] = {page};
    server_.pages.remove("/missing.gif");
    server_.pages["/moved.jpg"] = {"", "302 Found\r\nLocation: /elsewhere/real.jpg"};
    server_.pages["/elsewhere/real.jpg"] = {"the real picture"};
    server_.pages["/stall.jpg"] = {"", "200 OK", fgtest::LocalWebServer::Page::Nothing};
    server_.pages["/huge.jpg"] = {"", "200 OK\r\nContent-Length: 314572800",
                                  fgtest::LocalWebServer::Page::HeadersOnly};
    server_.pages["/endless.jpg"] = {"", "200 OK", fgtest::LocalWebServer::Page::Endless};
    server_.pages["/trickle.jpg"] = {"", "200 OK", fgtest::LocalWebServer::Page::Trickle};
    server_.pages["/cut.html"] = {
        page.left(page.indexOf("<img")) +
        "<img src=\"a.gif\"><img src=\"trickle.jpg\"><img src=\"b.GIF\">" +
        page.mid(page.indexOf("<script>"))};
    QFile secret(dir_.filePath("secret.gif"));
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("private") > 0);
}

// An answer whose dialog never opened still holds the finished test's locals; it must not answer
// the next test's dialog.
void TestWebPictures::cleanup()
{
    fgtest::cancelPendingAnswers();
}

// Every picture of the page, with what became of it: saved under its own name or a free one
// beside what was there, or not saved with its reason; nothing outside the folder is touched.
void TestWebPictures::downloadsThePicturesOfAPage()
{
    const QString folder = dir_.filePath("pictures"), outside = dir_.filePath("outside");
    QDir().mkpath(folder);
    QDir().mkpath(outside);
    const auto makeFile = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(makeFile(folder + "/missing.gif", "older"));
    QVERIFY(makeFile(folder + "/holiday.jpg", "mine"));
    QVERIFY(makeFile(outside + "/victim.txt", "victim"));
    QVERIFY(QFile::link("../outside/victim.txt", folder + "/planted.jpg"));
    QVERIFY(QFile::link("../outside/created.gif", folder + "/dangling.gif"));
    const mode_t umaskBefore = umask(027);
    const auto restoreUmask = qScopeGuard([&] { umask(umaskBefore); });
    // whatever the other tests left beside the folder
    const auto besideTheFolder = [this] {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    const QStringList before = besideTheFolder();
    bool done = false;
    withDialog([&](QDialog& dialog) {
        dialog.setProperty("stallLimitMs", 1500);
        dialog.setProperty("pictureLimitMs", 2500);
        dialog.setProperty("maxPictureBytes", qint64(1) << 20);
        loadPage(dialog, server_.base() + "/page.html");
        QCOMPARE(part<QLineEdit>(dialog, "EdWebpage")->text(),
                 "http://" + server_.base() + "/page.html");
        part<QLineEdit>(dialog, "Edfolder")->setText(" " + folder + "/ ");
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(part<QPushButton>(dialog, "CmdDownload"), Qt::LeftButton);
        // the stalled picture and the trickling one; the oversized ones are dropped early
        QVERIFY2(clock.elapsed() >= 4000 && clock.elapsed() < 9000, "the slow ones timed out");
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(), folder + "/");
        const QString saved = "Sucessfully Downloaded: ", failed = "Not Downloaded: ";
        QCOMPARE(
            lines(dialog),
            QStringList(
                {saved + "a.gif", saved + "b.GIF", saved + "c.Jpg", saved + "same.gif",
                 saved + "same (2).gif", failed + "missing.gif (the server answered 404 Not Found)",
                 saved + "moved.jpg",
                 failed + "stall.jpg (the server sent nothing for 1.5 seconds)",
                 failed + "huge.jpg (larger than 1 MB)", failed + "endless.jpg (larger than 1 MB)",
                 failed + "trickle.jpg (still arriving after 2.5 seconds)", saved + "my photo.jpg",
                 saved + "planted (2).jpg", saved + "dangling (2).gif", saved + "holiday (2).jpg",
                 saved + LongName, failed + "secret.gif (not a web address)",
                 "Total Images Downloaded: 11"}));
        QCOMPARE(QApplication::activeModalWidget(), &dialog); // the main window stays blocked
        auto* list = part<QListWidget>(dialog, "ListBox1");
        QCOMPARE(list->horizontalScrollBar()->maximum(),
                 list->fontMetrics().horizontalAdvance(saved + LongName) + 100 -
                     list->viewport()->width());
        done = true;
    });
    QVERIFY(done);
    const QMap<QString, QByteArray> expected = {{"a.gif", "bytes of a.gif"},
                                                {"b.GIF", "bytes of b.GIF"},
                                                {"c.Jpg", "bytes of c.Jpg"},
                                                {"same.gif", "bytes of one/same.gif"},
                                                {"same (2).gif", "bytes of two/same.gif"},
                                                {"moved.jpg", "the real picture"},
                                                {"missing.gif", "older"},
                                                {"my photo.jpg", "bytes of my%20photo.jpg"},
                                                {"planted (2).jpg", "bytes of planted.jpg"},
                                                {"dangling (2).gif", "bytes of dangling.gif"},
                                                {"holiday.jpg", "mine"},
                                                {"holiday (2).jpg", "bytes of holiday.jpg"},
                                                {LongName, "bytes of " + LongName.toUtf8()}};
    // the links are still there, and no hidden file is left behind
    QStringList present = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                 QDir::Hidden | QDir::System);
    QStringList wanted = QStringList(expected.keys()) << "dangling.gif"
                                                      << "planted.jpg";
    present.sort();
    wanted.sort();
    QCOMPARE(present, wanted);
    for (auto file = expected.begin(); file != expected.end(); ++file) {
        QFile saved(folder + "/" + file.key());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), file.value());
        if (file.value().startsWith("bytes of") || file.key() == "moved.jpg")
            QCOMPARE(int(saved.permissions() & 0x7777), 0x6640); // 0666 less the umask 027
    }
    QCOMPARE(QDir(outside).entryList(QDir::Files), QStringList({"victim.txt"}));
    QFile victim(outside + "/victim.txt");
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("victim"));
    QCOMPARE(besideTheFolder(), before); // nothing written beside it, the local file not copied
}

void TestWebPictures::refusesWhatItCannotDo_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("messages");
    const QString empty = "You must enter a webpage to load first. For example, if you wanted to "
                          "download all images from the www.example.com website, simply type "
                          "www.example.com in the box before you click the load button.";
    QTest::newRow("blank address") << "  "
                                   << "" << QStringList({empty, Hint});
    QTest::newRow("download before any page")
        << ""
        << "/"
        << QStringList({"No webpage has been loaded yet. Type its address and click "
                        "the load button first, then download its images."});
    QTest::newRow("folder that does not exist")
        << ""
        << " /no/such/folder/ "
        << QStringList({"The folder you entered does not exist. Use the folder button next to "
                        "the box to choose a folder, that way there will be no mistake."});
}

void TestWebPictures::refusesWhatItCannotDo()
{
    QFETCH(QString, address);
    QFETCH(QString, folder);
    QFETCH(QStringList, messages);
    withDialog([&](QDialog& dialog) {
        QCOMPARE(dialog.windowTitle(), QString("Download and Capture All Web Images"));
        QCOMPARE(dialog.size(), QSize(685, 414));
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(),
                 QCoreApplication::applicationDirPath() + "/");
        part<QListWidget>(dialog, "ListBox1")->addItem("earlier line");
        const char* button = address.isEmpty() ? "CmdDownload" : "CmdLoad";
        part<QLineEdit>(dialog, "EdWebpage")->setText(address);
        part<QLineEdit>(dialog, "Edfolder")->setText(folder);
        QTest::mouseClick(part<QPushButton>(dialog, button), Qt::LeftButton);
        QStringList shown;
        for (const auto& message : fgtest::appMessages().shown) {
            QCOMPARE(message.kind, MessageKind::Plain);
            shown.append(message.text);
        }
        QCOMPARE(shown, messages);
        QCOMPARE(lines(dialog).size(), address.isEmpty() ? 1 : 0);
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(), folder.trimmed());
    });
}

// A picture that keeps arriving is given up at once when the dialog closes, and after the time
// of the whole run; the next pictures are not fetched, and no part of it stays in the folder.
void TestWebPictures::runIsCutShort_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("Return") << "BitBtn1"
                            << "stopped";
    QTest::newRow("close box") << "close"
                               << "stopped";
    QTest::newRow("time of the run") << ""
                                     << "the time for all pictures of the page ran out";
}

void TestWebPictures::runIsCutShort()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    const QTemporaryDir folder;
    QStringList shown;
    qint64 closedAfterMs = -1;
    withDialog([&](QDialog& dialog) {
        dialog.setProperty("pictureLimitMs", 60000);
        dialog.setProperty("runLimitMs", how.isEmpty() ? 1500 : 60000);
        loadPage(dialog, "http://" + server_.base() + "/cut.html");
        fgtest::appChoosers().answers = QStringList({folder.path()});
        QTest::mouseClick(part<QPushButton>(dialog, "BitBtn2"), Qt::LeftButton);
        QCOMPARE(fgtest::appChoosers().folderTitles, QStringList({"First, select a folder"}));
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(), folder.path() + "/");
        auto* download = part<QPushButton>(dialog, "CmdDownload");
        QElapsedTimer clock;
        int trickleAsked = 0;
        QTimer poll; // once the first picture is in and the trickling one is on its way
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (how.isEmpty())
                return;
            // the browser fetches the trickling picture too, for the page; only a request made
            // after the first picture's line is the download's own
            if (lines(dialog).isEmpty()) {
                trickleAsked = server_.requests.value("/trickle.jpg");
                return;
            }
            if (server_.requests.value("/trickle.jpg") <= trickleAsked)
                return;
            poll.stop();
            QVERIFY(!download->isEnabled());
            QTest::mouseClick(download, Qt::LeftButton); // no second run
            clock.start();
            if (how == "close")
                dialog.close();
            else
                QTest::mouseClick(part<QPushButton>(dialog, qPrintable(how)), Qt::LeftButton);
        });
        trickleAsked = server_.requests.value("/trickle.jpg");
        poll.start(10);
        QTest::mouseClick(download, Qt::LeftButton);
        closedAfterMs = clock.isValid() ? clock.elapsed() : 0;
        QCOMPARE(dialog.isHidden(), !how.isEmpty());
        shown = lines(dialog);
    });
    QVERIFY2(closedAfterMs >= 0 && closedAfterMs < 3000, "the picture in flight was given up");
    QCOMPARE(shown, QStringList({"Sucessfully Downloaded: a.gif",
                                 "Not Downloaded: trickle.jpg (" + reason + ")",
                                 "Total Images Downloaded: 1"}));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({"a.gif"}));
}

// A list whose widest line is just short of its width once made the scroll bar come and go
// without end; it must settle at once, also when loading a page clears such a list.
void TestWebPictures::listExtentSettles_data()
{
    QTest::addColumn<int>("room"); // pixels between the widest line and the list's inner width
    QTest::newRow("far narrower than the list") << 200;
    QTest::newRow("just short of the list's width") << 20;
    QTest::newRow("wider than the list") << -50;
}

void TestWebPictures::listExtentSettles()
{
    QFETCH(int, room);
    const QTemporaryDir folder;
    withDialog([&](QDialog& dialog) {
        auto* list = part<QListWidget>(dialog, "ListBox1");
        const auto lineWidth = [&](int letters) {
            return list->fontMetrics().horizontalAdvance(
                "Sucessfully Downloaded: " + QString(letters, 'w') + ".gif");
        };
        int letters = 1;
        while (lineWidth(letters + 1) <= list->viewport()->width() - room)
            ++letters;
        const QByteArray name = QByteArray(letters, 'w') + ".gif";
        const QByteArray page = "/fit" + QByteArray::number(room) + ".html";
        server_.pages["/" + name] = {"picture"};
        server_.pages[page] = {"<html><body><img src=\"" + name +
                               "\"><script>document.title = 'ready'</script></body></html>"};
        loadPage(dialog, server_.base() + page);
        part<QLineEdit>(dialog, "Edfolder")->setText(folder.path());
        QTest::mouseClick(part<QPushButton>(dialog, "CmdDownload"), Qt::LeftButton);
        QCOMPARE(lines(dialog).size(), 2);
        const auto settled = [list] {
            QSignalSpy changes(list->horizontalScrollBar(), &QScrollBar::rangeChanged);
            for (int round = 0; round < 200; ++round)
                QCoreApplication::processEvents();
            return changes.size() <= 2;
        };
        QVERIFY2(settled(), "the scroll bar keeps changing");
        QCOMPARE(list->horizontalScrollBar()->maximum(),
                 qMax(0, lineWidth(letters) + 100 - list->viewport()->width()));
        QTest::mouseClick(part<QPushButton>(dialog, "CmdLoad"), Qt::LeftButton);
        QCOMPARE(list->count(), 0);
        QVERIFY2(settled(), "the scroll bar keeps changing after the list was cleared");
    });
}

FG_TEST_MAIN(TestWebPictures)
#include "test_web_pictures.moc"
