#pragma once

#include <QString>
#include <QtGlobal>

class QNetworkAccessManager;

struct DownloadLimits {
    int stallMs = 30000;                 // a server that sends nothing for this long is given up
    qint64 maxBytes = qint64(256) << 20; // a larger picture is abandoned
};

// Copies the picture at `address` (http or https only; redirects followed) into the file
// `localPath`. It is written to a temporary file beside it that takes the name only when the
// whole picture has come, so a failed download leaves nothing behind and an older file of that
// name stays as it was. True when the picture was saved.
bool DownloadFile(QNetworkAccessManager& network, const QString& address, const QString& localPath,
                  const DownloadLimits& limits = {});
