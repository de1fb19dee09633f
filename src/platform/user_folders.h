#pragma once

#include <QString>

// Per-user folders after the XDG base-directory rules (user_folders_xdg.cpp).
namespace platform
{

// The per-user roaming settings folder (without a trailing separator).
QString roamingAppDataFolder();

// The folder for per-user settings: `xdgConfigHome` when it is an absolute path (a relative one
// is ignored, as the rules ask), else ".config" in the home folder, which is `home` when that is
// absolute and otherwise `accountHome`, the home folder of the user's account.
QString configFolderFor(const QString& xdgConfigHome, const QString& home,
                        const QString& accountHome);

} // namespace platform
