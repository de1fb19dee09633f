#include "platform/desktop_entry_xdg.h"
#include "platform/documents.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

// The browser is started here rather than through xdg-open: on desktops without their own
// opener, xdg-open runs the browser in the foreground and only returns when it is closed, so its
// exit status cannot tell in time whether a program took the document.
namespace platform
{

namespace
{

// The id of the desktop entry set up for `mimeType`, as xdg-mime finds it (it knows each
// desktop's own way of choosing); empty when there is none.
QString defaultEntryId(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(10000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

// The file of a desktop entry; an entry in a subfolder has the folder in its id, joined with '-'.
QString locateEntry(QString id)
{
    if (id.isEmpty() || id.contains('/'))
        return {};
    QString found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    const qsizetype dash = id.indexOf('-');
    if (!found.isEmpty() || dash <= 0)
        return found;
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id.replace(dash, 1, '/'));
}

} // namespace

bool openHtmlDocument(const QString& path)
{
    const QFileInfo document(path);
    if (!document.isFile())
        return false;
    const QString entryPath = locateEntry(defaultEntryId(QStringLiteral("text/html")));
    QFile entry(entryPath);
    if (entryPath.isEmpty() || !entry.open(QIODevice::ReadOnly))
        return false;
    const std::optional<QStringList> command = xdg::commandForDocument(
        QString::fromUtf8(entry.readAll()), entryPath, document.absoluteFilePath());
    if (!command)
        return false;
    const QString program = QStandardPaths::findExecutable(command->first());
    return !program.isEmpty() && QProcess::startDetached(program, command->mid(1));
}

} // namespace platform
