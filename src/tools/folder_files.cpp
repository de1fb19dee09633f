#include "tools/folder_files.h"

#include <QDirIterator>
#include <QFileInfo>

QString folderOfFile(const QString& file)
{
    return file.left(file.lastIndexOf('/') + 1);
}

bool folderExists(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

QStringList regularFilesIn(const QString& folder)
{
    QStringList names;
    // without QDir::System there are no devices, FIFOs or sockets, but a link to one still shows
    QDirIterator entries(folder, QDir::Files);
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.isFile())
            names.append(entry.fileName());
    }
    return names;
}
