#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QtGlobal>
#include <functional>

class QNetworkAccessManager;

struct DownloadLimits {
    int stallMs = 30000;                  // a server that sends nothing for this long is given up
    int pictureMs = 120000;               // a picture still arriving after this long is given up
    int runMs = 1800000;                  // the pictures of one page all together
    qint64 maxBytes = qint64(256) << 20;  // a larger picture is abandoned
    qint64 bufferBytes = qint64(1) << 20; // what the network may hold before it is written
};

// What became of one picture: the name it was saved under, or why it was not saved.
struct DownloadResult {
    QString savedAs; // the file name in the folder; empty when not saved
    QString reason;  // why it was not saved
    bool saved() const { return !savedAs.isEmpty(); }
};

// Copies the picture at `address` (http or https only; redirects followed) into the folder
// `folder` as a new file named `name`. It is written to a hidden file of its own in the folder
// that takes the name only when the whole picture has come, so a failed download leaves nothing
// behind. Nothing that exists in the folder is ever replaced or written through (a link
// included): when `name` is taken, the picture gets the first free "name (2).ext",
// "name (3).ext", ... The download is given up after the limits' picture time, at `runEnds` or
// as soon as `stopped` says so.
DownloadResult DownloadFile(QNetworkAccessManager& network, const QString& address,
                            const QString& folder, const QString& name,
                            const DownloadLimits& limits, QDeadlineTimer runEnds,
                            const std::function<bool()>& stopped);
