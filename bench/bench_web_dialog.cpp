// The web-pictures dialog from the button's press to the pixels of a local page in its browser,
// the first opening (plugin and browser start) beside a second one in the same run.
#include "platform/screen_capture.h"
#include "tools/web_pictures_loader.h"
#include "ui/choosers.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

namespace
{

// What the dialog or the loader would tell the user, so that a failed opening says why.
struct PrintedMessages : Messages {
    void show(MessageKind, const QString& text) override
    {
        std::fprintf(stderr, "bench_web_dialog: %s\n", qPrintable(text));
    }
};

// Serves one page of a single colour to every request.
class PageServer : public QTcpServer
{
public:
    PageServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    const QByteArray page = "<body style='background: #ff0000'></body>";
                    socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                  QByteArray::number(page.size()) + "\r\n\r\n" + page);
                    socket->disconnectFromHost();
                });
        });
        listen(QHostAddress::LocalHost, 0);
    }
};

// Milliseconds from opening the dialog to the page's red in the middle of its browser view.
double openToPagePixelsMs(const QString& address)
{
    PrintedMessages messages;
    DialogChoosers choosers;
    QElapsedTimer clock;
    double result = -1;
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* view = dialog->findChild<QWidget*>("WebBrowser2");
        auto* box = dialog->findChild<QLineEdit*>("EdWebpage");
        if (box->text().isEmpty()) {
            box->setText(address);
            dialog->findChild<QPushButton*>("CmdLoad")->click();
        }
        const QPoint middle = view->mapToGlobal(view->rect().center());
        const bool shown =
            platform::grabScreen(QRect(middle, QSize(1, 1))).pixel(0, 0) == qRgb(255, 0, 0);
        if (!shown && clock.elapsed() <= 30000)
            return;
        if (shown)
            result = double(clock.nsecsElapsed()) / 1e6;
        else
            std::fprintf(stderr, "bench_web_dialog: the page was not shown within 30 s\n");
        poll->stop();
        dialog->reject();
    });
    poll->start();
    clock.start();
    // the plugin the build made: the program's own search looks beside the program, not in bench/
    openWebPictures(nullptr, {messages, choosers}, QStringLiteral(FG_WEB_PICTURES_PLUGIN));
    delete poll;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PageServer server;
    const QString address = QString("http://127.0.0.1:%1/").arg(server.serverPort());
    const double first = openToPagePixelsMs(address);
    const double second = openToPagePixelsMs(address);
    std::printf("%-34s %9.1f ms   %-30s %9.1f ms   ratio %5.2f\n", "web dialog, first open to page",
                first, "second opening", second, first / second);
    if (first > 0 && second > 0)
        return 0;
    std::fprintf(stderr, "bench_web_dialog: no measurement, for the reason above\n");
    return 1;
}
