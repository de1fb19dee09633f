#include "fg_test.h"
#include "shell/panel_layout.h"
#include "tools/web_pictures_loader.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTcpServer>
#include <QTcpSocket>

namespace
{

// A web server on 127.0.0.1 with a free port. A page that stalls sends nothing, or only its
// headers, and keeps the connection open.
class LocalWebServer : public QTcpServer
{
public:
    struct Page {
        QByteArray body;
        QByteArray head = "200 OK";
        enum { Whole, Nothing, HeadersOnly } sends = Whole;
    };
    LocalWebServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QString base() const { return QString("127.0.0.1:%1").arg(serverPort()); }
    QMap<QByteArray, Page> pages;

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray path = socket->readAll().split(' ').value(1);
        const Page page = pages.value(path, {"", "404 Not Found"});
        socket->write("HTTP/1.1 " + page.head + "\r\nConnection: close\r\n");
        if (page.sends == Page::HeadersOnly)
            socket->write("\r\n");
        if (page.sends != Page::Whole)
            return;
        socket->write("Content-Length: " + QByteArray::number(page.body.size()) + "\r\n\r\n" +
                      page.body);
        socket->disconnectFromHost();
    }
};

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

QString const Hint = "Hint: Once your website loads (you will see it on the right), you can "
                     "then use the download button below to grab all the images.";

} // namespace

class TestWebPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void downloadsThePicturesOfAPage();
    void refusesWhatItCannotDo_data();
    void refusesWhatItCannotDo();
    void returnStopsARun();
    void missingPluginIsReported();
    void browserLoadedOnlyWhenAsked();

private:
    QTemporaryDir dir_;
    LocalWebServer server_;
};

void TestWebPictures::initTestCase()
{
    QVERIFY(server_.isListening());
    const QByteArray pictures =
        "a.gif b.GIF c.Jpg d.jpeg e.png f.jpg?v=2 one/same.gif two/same.gif missing.gif moved.jpg "
        "stall.jpg huge.jpg pics/.. a_name_long_enough_to_need_the_list_to_scroll_sideways.gif";
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
    server_.pages["/stall.jpg"] = {"", "200 OK", LocalWebServer::Page::Nothing};
    server_.pages["/huge.jpg"] = {"", "200 OK\r\nContent-Length: 314572800",
                                  LocalWebServer::Page::HeadersOnly};
    QFile secret(dir_.filePath("secret.gif"));
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("private") > 0);
}

void TestWebPictures::downloadsThePicturesOfAPage()
{
    const QString folder = dir_.filePath("pictures");
    QDir().mkpath(folder);
    QFile older(folder + "/missing.gif");
    QVERIFY(older.open(QIODevice::WriteOnly) && older.write("older") == 5);
    older.close();
    // whatever the other tests left beside the folder
    const auto besideTheFolder = [this] {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    const QStringList before = besideTheFolder();
    bool done = false;
    withDialog([&](QDialog& dialog) {
        dialog.setProperty("stallLimitMs", 1500);
        loadPage(dialog, server_.base() + "/page.html");
        QCOMPARE(part<QLineEdit>(dialog, "EdWebpage")->text(),
                 "http://" + server_.base() + "/page.html");
        part<QLineEdit>(dialog, "Edfolder")->setText(" " + folder + "/ ");
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(part<QPushButton>(dialog, "CmdDownload"), Qt::LeftButton);
        // one wait for the stalled picture; the oversized one is dropped at its header
        QVERIFY2(clock.elapsed() >= 1500 && clock.elapsed() < 2900, "the stalled one timed out");
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(), folder + "/");
        const QString saved = "Sucessfully Downloaded: ";
        const QString longName = "a_name_long_enough_to_need_the_list_to_scroll_sideways.gif";
        QCOMPARE(lines(dialog),
                 QStringList({saved + "a.gif", saved + "b.GIF", saved + "c.Jpg", saved + "same.gif",
                              saved + "same.gif", saved + "moved.jpg", saved + longName,
                              "Total Images Downloaded: 7"}));
        QCOMPARE(QApplication::activeModalWidget(), &dialog); // the main window stays blocked
        auto* list = part<QListWidget>(dialog, "ListBox1");
        QCOMPARE(list->horizontalScrollBar()->maximum(),
                 list->fontMetrics().horizontalAdvance(saved + longName) + 100 -
                     list->viewport()->width());
        done = true;
    });
    QVERIFY(done);
    const QMap<QString, QByteArray> expected = {
        {"a.gif", "bytes of a.gif"},
        {"b.GIF", "bytes of b.GIF"},
        {"c.Jpg", "bytes of c.Jpg"},
        {"same.gif", "bytes of two/same.gif"},
        {"moved.jpg", "the real picture"},
        {"missing.gif", "older"},
        {"a_name_long_enough_to_need_the_list_to_scroll_sideways.gif",
         "bytes of a_name_long_enough_to_need_the_list_to_scroll_sideways.gif"}};
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList(expected.keys()));
    for (auto file = expected.begin(); file != expected.end(); ++file) {
        QFile saved(folder + "/" + file.key());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), file.value());
    }
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

void TestWebPictures::returnStopsARun()
{
    const QString folder = dir_.filePath("stopped");
    QDir().mkpath(folder);
    bool done = false;
    withDialog([&](QDialog& dialog) {
        dialog.setProperty("stallLimitMs", 1500);
        loadPage(dialog, "http://" + server_.base() + "/page.html");
        fgtest::appChoosers().answers = QStringList({folder});
        QTest::mouseClick(part<QPushButton>(dialog, "BitBtn2"), Qt::LeftButton);
        QCOMPARE(fgtest::appChoosers().folderTitles, QStringList({"First, select a folder"}));
        QCOMPARE(part<QLineEdit>(dialog, "Edfolder")->text(), folder + "/");
        auto* download = part<QPushButton>(dialog, "CmdDownload");
        QTimer poll; // once the pictures before the stalled one are in
        connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (lines(dialog).size() < 6)
                return;
            poll.stop();
            QVERIFY(!download->isEnabled());
            QTest::mouseClick(download, Qt::LeftButton);
            QTest::mouseClick(part<QPushButton>(dialog, "BitBtn1"), Qt::LeftButton);
        });
        poll.start(10);
        QTest::mouseClick(download, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        QCOMPARE(lines(dialog).size(), 7); // one run, cut short after the stalled picture
        done = true;
    });
    QVERIFY(done);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

void TestWebPictures::missingPluginIsReported()
{
    openWebPictures(nullptr, fgtest::services(), dir_.filePath("secret.gif"));
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Warning);
    QVERIFY(fgtest::appMessages().shown[0].text.startsWith(
        "The web pictures tool could not be loaded (" + dir_.filePath("secret.gif")));
}

void TestWebPictures::browserLoadedOnlyWhenAsked()
{
    QProcess program;
    program.start(FG_PROGRAM);
    QVERIFY(program.waitForStarted());
    const QString window =
        fgtest::runPeer("xdotool", {"search", "--sync", "--onlyvisible", "--name",
                                    "Framegrove - Screen Capture and More"})
            .split('\n')
            .value(0);
    const auto browserMapped = [&] {
        QFile maps(QString("/proc/%1/maps").arg(program.processId()));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
    };
    QVERIFY(!browserMapped());
    // the button's middle, in the window's own pixels
    const PanelLayout layout = arrangePanel(756, 603, {156, 156, 156, 156});
    const QPoint button(layout.groupLefts[1] + 7 + 71, 2 + 136 + 9);
    fgtest::runPeer("xdotool", {"mousemove", "--window", window, QString::number(button.x()),
                                QString::number(button.y()), "click", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(browserMapped(), 20000);
    program.kill();
    program.waitForFinished();
}

FG_TEST_MAIN(TestWebPictures)
#include "test_web_pictures.moc"
