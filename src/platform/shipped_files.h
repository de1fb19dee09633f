#pragma once

#include <QString>

// What the program ships beside itself (shipped_files_unix.cpp).
namespace platform
{

// The kinds of file shipped with the program; the installed layout keeps each in its own folder.
enum class ShippedKind {
    Document, // the help documents and their pictures
    Plugin,   // libraries loaded at their first use
};

// Full path of the shipped file `name`, found relative to the program so that a package works
// under any prefix: beside the program (as in the build tree), else in the kind's folder of the
// installed layout. Empty when it is in neither place.
QString findShippedFile(ShippedKind kind, const QString& name);

// The file name of the loadable library `name` on this system ("name.so" here).
QString pluginFileName(const QString& name);

} // namespace platform
