#include "tools/picture_download.h"

#include "platform/picture_files.h"
#include "tools/web_picture_rules.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <optional>
#include <stdexcept>

namespace
{

// How often a run that was told to stop looks at it; the user waits at most this long.
constexpr int StopCheckMs = 100;

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

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

bool writeAll(QIODevice& file, const QByteArray& bytes)
{
    return file.write(bytes) == bytes.size();
}

// Why the reply came to nothing, or empty when the picture came whole.
QString replyFailure(QNetworkReply& reply, const DownloadLimits& limits)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && (status < 200 || status > 299))
        return QStringLiteral("the server answered %1 %2")
            .arg(status)
            .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
            .trimmed();
    if (reply.error() == QNetworkReply::OperationCanceledError) // the stall limit ran out
        return QStringLiteral("the server sent nothing for %1 seconds")
            .arg(seconds(limits.stallMs));
    if (reply.error() != QNetworkReply::NoError)
        return reply.errorString();
    return status == 0 ? QStringLiteral("the server gave no answer") : QString();
}

// Receives the picture at `url` into `file`; empty when all of it came, else why not.
QString receive(QNetworkAccessManager& network, const QUrl& url, QIODevice& file,
                const DownloadLimits& limits, QDeadlineTimer runEnds,
                const std::function<bool()>& stopped)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(limits.stallMs); // counts from the last byte that came
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(network.get(request));
    // without a bound the network keeps all that a fast server sends before it is written
    reply->setReadBufferSize(limits.bufferBytes);
    QString why;
    const auto giveUp = [&](const QString& reason) {
        if (why.isEmpty())
            why = reason;
        reply->abort();
    };
    const QString tooLarge =
        QStringLiteral("larger than %1 MB").arg(double(limits.maxBytes) / (1 << 20));
    qint64 written = 0;
    const auto take = [&](const QByteArray& part) {
        written += part.size();
        if (written > limits.maxBytes)
            giveUp(tooLarge);
        else if (!writeAll(file, part))
            giveUp(file.errorString());
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > limits.maxBytes)
            giveUp(tooLarge);
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] { take(reply->readAll()); });

    const bool runEndsFirst =
        runEnds.remainingTime() >= 0 && runEnds.remainingTime() < limits.pictureMs;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        // a timer may fire a moment early; the run's end is the deadline's to say
        if (runEndsFirst && !runEnds.hasExpired())
            return deadline.start(int(qMax<qint64>(1, runEnds.remainingTime())));
        giveUp(
            runEndsFirst
                ? QStringLiteral("the time for all pictures of the page ran out")
                : QStringLiteral("still arriving after %1 seconds").arg(seconds(limits.pictureMs)));
    });
    deadline.start(runEndsFirst ? int(runEnds.remainingTime()) : limits.pictureMs);
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, [&] {
        if (stopped())
            giveUp(QStringLiteral("stopped"));
    });
    stopCheck.start(StopCheckMs);

    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (reply->isRunning())
        loop.exec();
    if (why.isEmpty())
        why = replyFailure(*reply, limits);
    if (why.isEmpty())
        take(reply->readAll());
    return why;
}

// Gives the complete picture the first free one of `name`, "name (2).ext", ...
DownloadResult takeFreeName(platform::NewFileInFolder& file, const QString& folder,
                            const QString& name)
{
    constexpr int Tries = 1000;
    for (int number = 1; number <= Tries; ++number) {
        const QString candidate = numberedName(name, number);
        if (file.takeName(targetPath(folder, candidate)))
            return {candidate, {}};
    }
    return {{}, QStringLiteral("the folder already holds %1 pictures of this name").arg(Tries)};
}

} // namespace

DownloadResult DownloadFile(QNetworkAccessManager& network, const QString& address,
                            const QString& folder, const QString& name,
                            const DownloadLimits& limits, QDeadlineTimer runEnds,
                            const std::function<bool()>& stopped)
{
    // data: and file: addresses are skipped: a page must not copy the user's own files around
    const QUrl url(address);
    if (!isWebAddress(url))
        return {{}, QStringLiteral("not a web address")};
    try {
        platform::NewFileInFolder file(folder);
        const QString why = receive(network, url, file.file(), limits, runEnds, stopped);
        if (!why.isEmpty())
            return {{}, why};
        return takeFreeName(file, folder, name);
    } catch (const std::runtime_error& failure) {
        return {{}, QString::fromUtf8(failure.what())};
    }
}
