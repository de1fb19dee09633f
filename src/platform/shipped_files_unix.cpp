#include "platform/shipped_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform
{

namespace
{

// The kind's folder in the installed layout, relative to the program's folder; set by the build
// from the install folders, so that the two always agree.
QString installedFolder(ShippedKind kind)
{
    switch (kind) {
    case ShippedKind::Document:
        return QStringLiteral(FG_DOCUMENTS_FROM_PROGRAM);
    case ShippedKind::Plugin:
        break;
    }
    return QStringLiteral(FG_PLUGINS_FROM_PROGRAM);
}

} // namespace

QString findShippedFile(ShippedKind kind, const QString& name)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {programFolder + '/' + name, programFolder + '/' + installedFolder(kind) + '/' + name}) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
    }
    return {};
}

QString pluginFileName(const QString& name)
{
    return name + QStringLiteral(".so");
}

} // namespace platform
