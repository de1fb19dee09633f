#pragma once

#include <QString>
#include <functional>
#include <optional>

// The Windows search for the paint program, with its two outside lookups handed in so that it
// runs anywhere: `appPathsValue` reads the default value of the App Paths key of MSPAINT.EXE
// (none when the key cannot be opened), `fileExists` tests one path.
//
// A value from the key wins as it is stored, even when no file is there; otherwise the first
// existing file of the fixed probe list in the Windows folder is taken; otherwise empty.
QString findWindowsPaintProgram(const QString& windowsDir,
                                const std::function<std::optional<QString>()>& appPathsValue,
                                const std::function<bool(const QString&)>& fileExists);
