#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

// The small INI settings file that remembers the main window's size. Section and key names
// match without regard to letter case, as in Windows profile files; everything else in the
// file is kept byte for byte when a value is written.

// The value of `key` in `section` of INI text, blanks around it removed; none when absent.
std::optional<QByteArray> iniValue(const QByteArray& contents, const QString& section,
                                   const QString& key);

// INI text with `key` of `section` set to `value`: an existing line is replaced in place, a
// missing key is added at the end of its section, a missing section at the end of the text.
QByteArray withIniValue(const QByteArray& contents, const QString& section, const QString& key,
                        const QByteArray& value);

// A whole decimal number, or 0 for anything else (missing, empty, "abc", "12px", overflow).
int wholeNumberOrZero(const std::optional<QByteArray>& value);

int ReadWindowWidth(const QString& section, const QString& path);
int ReadWindowHeight(const QString& section, const QString& path);

// Writes "W" then "H" into `section` of the file. Throws std::runtime_error
// "Unable to write to <path>" when the file cannot be read or written; the file is then
// unchanged.
void SaveWindowSize(QSize outerSize, const QString& section, const QString& path);
