#include "platform/user_folders.h"

#include <QFile>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace platform
{

namespace
{

// The home folder recorded for the account, whatever the environment says.
QString accountHomeFolder()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QString::fromLocal8Bit(found->pw_dir);
}

bool isAbsolute(const QString& path)
{
    return path.startsWith(QLatin1Char('/'));
}

QString withoutTrailingSeparators(QString path)
{
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

QString configFolderFor(const QString& xdgConfigHome, const QString& home,
                        const QString& accountHome)
{
    if (isAbsolute(xdgConfigHome))
        return xdgConfigHome;
    const QString base = isAbsolute(home) ? home : accountHome;
    return withoutTrailingSeparators(base) + QStringLiteral("/.config");
}

QString roamingAppDataFolder()
{
    QString folder = configFolderFor(qEnvironmentVariable("XDG_CONFIG_HOME"),
                                     qEnvironmentVariable("HOME"), accountHomeFolder());
    // the Windows folder always exists; ~/.config may not yet on a fresh account. Where it cannot
    // be made, the settings kept in it are lost: said here with the reason, and the folder is
    // still returned, so that the caller's own check of what it puts there tells the user.
    std::error_code failure;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), failure);
    if (failure)
        qWarning("Could not create the settings folder %s: %s", qPrintable(folder),
                 failure.message().c_str());
    return folder;
}

} // namespace platform
