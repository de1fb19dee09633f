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
    const qsizetype separator =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    if (separator >= 0)
        return fileName.left(separator + 1);
    const qsizetype drive = fileName.indexOf(QLatin1Char(':'));
    return drive >= 0 ? fileName.left(drive + 1) : QString();
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
