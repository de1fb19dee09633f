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

struct SilentMessages : Messages {
    void show(MessageKind, const QString&) override {}
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
    SilentMessages messages;
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
        if (platform::grabScreen(QRect(middle, QSize(1, 1))).pixel(0, 0) == qRgb(255, 0, 0) ||
            clock.elapsed() > 30000) {
            result = clock.nsecsElapsed() / 1e6;
            poll->stop();
            dialog->reject();
        }
    });
    poll->start();
    clock.start();
    openWebPictures(nullptr, {messages, choosers}, findWebPicturesPlugin());
    delete poll;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + "/..");
    PageServer server;
    const QString address = QString("http://127.0.0.1:%1/").arg(server.serverPort());
    const double first = openToPagePixelsMs(address);
    const double second = openToPagePixelsMs(address);
    std::printf("%-34s %9.1f ms   %-30s %9.1f ms   ratio %5.2f\n", "web dialog, first open to page",
                first, "second opening", second, first / second);
    return first > 0 && second > 0 ? 0 : 1;
}
