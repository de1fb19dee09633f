#include "tools/conversion_names.h"

#include "tools/folder_files.h"

QString patternExtension(const QString& pattern)
{
    return pattern.mid(pattern.lastIndexOf('.'));
}

QStringList findSources(const QString& sourcePattern)
{
    const QString extension = patternExtension(sourcePattern);
    QStringList found;
    for (const QString& name : regularFilesIn(folderOfFile(sourcePattern))) {
        if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive))
            found.append(name);
    }
    return found;
}

QString sourceName(const QString& sourcePattern, const QString& foundName)
{
    return folderOfFile(sourcePattern) + foundName;
}

QString targetName(const QString& sourcePattern, const QString& foundName,
                   const QString& targetExtension)
{
    const qsizetype dot = foundName.lastIndexOf('.');
    return folderOfFile(sourcePattern) + foundName.left(dot).toUpper() + targetExtension;
}
