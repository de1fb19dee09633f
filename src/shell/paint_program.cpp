#include "shell/paint_program.h"

#include <QStringList>

QString findWindowsPaintProgram(const QString& windowsDir,
                                const std::function<std::optional<QString>()>& appPathsValue,
                                const std::function<bool(const QString&)>& fileExists)
{
    const std::optional<QString> registered = appPathsValue();
    if (registered && !registered->isEmpty())
        return *registered;
    const QStringList probes = {
        windowsDir + "\\pbrush.exe",
        windowsDir + "\\mspaint.exe",
        windowsDir + "\\system32" + "\\mspaint.exe",
        windowsDir + "\\system32" + "\\pbrush.exe",
        windowsDir + "\\system" + "\\mspaint.exe",
        windowsDir + "\\system" + "\\pbrush.exe",
    };
    for (const QString& probe : probes) {
        if (fileExists(probe))
            return probe;
    }
    return {};
}
