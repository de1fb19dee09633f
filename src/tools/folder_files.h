#pragma once

#include <QString>
#include <QStringList>

// The folder part of a chosen file's full name: everything up to and including the last "/".
QString folderOfFile(const QString& file);

// The folder text names an existing folder; an empty text names none.
bool folderExists(const QString& folder);

// The names of the visible regular files in `folder` (links to them included), in the order in
// which the file system lists them. Folders, dot files, devices, FIFOs and sockets are left out;
// none are read. A missing folder has none.
QStringList regularFilesIn(const QString& folder);
