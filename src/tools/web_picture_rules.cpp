#include "tools/web_picture_rules.h"

QString addressToLoad(const QString& typed)
{
    if (typed.trimmed().isEmpty())
        return {};
    const QString scheme = QStringLiteral("http://");
    return typed.contains(scheme, Qt::CaseSensitive) ? typed : scheme + typed;
}

bool isWantedPicture(const QString& address)
{
    QString extension = address.mid(address.lastIndexOf(QLatin1Char('.')) + 1);
    // only a to z: a Unicode upper case would make "gıf" (dotless i) a GIF
    for (QChar& c : extension)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return extension == QLatin1String("GIF") || extension == QLatin1String("JPG");
}

QString pictureFileName(const QString& address)
{
    return address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
}

QString targetPath(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return {};
    return folder + QLatin1Char('/') + name;
}
