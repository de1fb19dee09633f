#include "output/last_used_folder.h"

#include <QSettings>

namespace
{

QSettings store()
{
    return QSettings(QStringLiteral("Kelmar"), QStringLiteral("Framegrove"));
}

} // namespace

QString folderPartOf(const QString& fileName)
{
    // "/" is this system's only separator: "\\" and ":" are ordinary letters of a file name
    return fileName.left(fileName.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ReadLastUsedFolder()
{
    return store().value(QStringLiteral("Previous")).toString();
}

void WriteLastUsedFolder(const QString& fileName)
{
    QSettings settings = store();
    settings.setValue(QStringLiteral("Previous"), folderPartOf(fileName));
    // the picture itself is saved by now: a folder that is not remembered only costs the next
    // dialog its starting place, so it is logged rather than shown
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning("Could not remember the folder of the last save in %s",
                 qPrintable(settings.fileName()));
}
