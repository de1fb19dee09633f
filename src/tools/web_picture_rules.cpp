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

namespace
{

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// "%20" and the like decoded; a "%" not followed by two hexadecimal digits is kept as it is.
QString percentDecoded(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QByteArray plain;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = i + 2 < bytes.size() ? hexValue(bytes[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(bytes[i + 2]) : -1;
        if (bytes[i] == '%' && low >= 0) {
            plain += char(high << 4 | low);
            i += 2;
        } else {
            plain += bytes[i];
        }
    }
    return QString::fromUtf8(plain);
}

} // namespace

QString pictureFileName(const QString& address)
{
    // as the browser shows it: "my%20photo.jpg" is the picture "my photo.jpg"
    return percentDecoded(address.mid(address.lastIndexOf(QLatin1Char('/')) + 1));
}

QString numberedName(const QString& name, int number)
{
    if (number <= 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype end = dot > 0 ? dot : name.size();
    return name.left(end) + QStringLiteral(" (%1)").arg(number) + name.mid(end);
}

QString targetPath(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        return {};
    return folder + QLatin1Char('/') + name;
}

bool browserRefusesToStart(bool superuser, const QProcessEnvironment& environment)
{
    // the sandbox is off when the variable is there at all, whatever its value
    const bool sandboxOff = environment.contains(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX")) ||
                            environment.value(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"))
                                .split(QLatin1Char(' '))
                                .contains(QStringLiteral("--no-sandbox"));
    return superuser && !sandboxOff;
}
