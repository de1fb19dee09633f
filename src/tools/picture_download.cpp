#include "tools/picture_download.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QUrl>
#include <memory>

namespace
{

// Nothing of the reply may reach the function's locals once it has returned.
struct LaterDeleter {
    void operator()(QObject* object) const
    {
        object->disconnect();
        object->deleteLater();
    }
};

bool isWebAddress(const QUrl& url)
{
    return url.isValid() &&
           (url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
            url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0);
}

} // namespace

bool DownloadFile(QNetworkAccessManager& network, const QString& address, const QString& localPath,
                  const DownloadLimits& limits)
{
    // data: and file: addresses are skipped: a page must not copy the user's own files around
    const QUrl url(address);
    if (!isWebAddress(url))
        return false;
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(limits.stallMs); // counts from the last byte that came
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(network.get(request));
    bool failed = false;
    const auto giveUp = [&] {
        failed = true;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > limits.maxBytes)
            giveUp();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] {
        const QByteArray part = reply->readAll();
        if (file.size() + part.size() > limits.maxBytes || file.write(part) != part.size())
            giveUp();
    });
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (reply->isRunning())
        loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failed || reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
        return false;
    const QByteArray rest = reply->readAll();
    return file.size() + rest.size() <= limits.maxBytes && file.write(rest) == rest.size() &&
           file.commit();
}
