#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Desktop entries (the .desktop files of the freedesktop.org desktops), as far as needed to start
// a program with one document.
namespace platform::xdg
{

// The command line that the desktop entry `entryText` (read from `entryPath`) gives for opening
// the local file `document`: the program as written in the entry, then its arguments, with the
// document in place of its field code, or added at the end when the entry has none. None when
// the entry is not a usable application or its command line is malformed.
std::optional<QStringList> commandForDocument(const QString& entryText, const QString& entryPath,
                                              const QString& document);

} // namespace platform::xdg
