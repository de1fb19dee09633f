#pragma once

#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace fgtest
{

// A web server on 127.0.0.1 with a free port. A page that stalls sends nothing, or only its
// headers, and keeps the connection open; one that trickles sends a byte every tenth of a
// second, and an endless one sends as fast as it is taken, both without a length and for ever.
class LocalWebServer : public QTcpServer
{
public:
    struct Page {
        QByteArray body;
        QByteArray head = "200 OK";
        enum { Whole, Nothing, HeadersOnly, Trickle, Endless } sends = Whole;
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
    QMap<QByteArray, int> requests; // how often each path was asked for

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray path = socket->readAll().split(' ').value(1);
        ++requests[path];
        const Page page = pages.value(path, {"", "404 Not Found"});
        socket->write("HTTP/1.1 " + page.head + "\r\nConnection: close\r\n");
        if (page.sends == Page::HeadersOnly)
            socket->write("\r\n");
        if (page.sends == Page::Trickle || page.sends == Page::Endless)
            return sendForEver(socket, page.sends == Page::Trickle);
        if (page.sends != Page::Whole)
            return;
        socket->write("Content-Length: " + QByteArray::number(page.body.size()) + "\r\n\r\n" +
                      page.body);
        socket->disconnectFromHost();
    }

    static void sendForEver(QTcpSocket* socket, bool slowly)
    {
        socket->write("\r\n");
        if (slowly) {
            auto* beat = new QTimer(socket);
            connect(beat, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            beat->start(100);
            return;
        }
        const auto more = [socket] {
            if (socket->bytesToWrite() < (1 << 16))
                socket->write(QByteArray(1 << 16, 'x'));
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }
};

} // namespace fgtest
