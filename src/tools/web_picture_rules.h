#pragma once

#include <QProcessEnvironment>
#include <QString>

// The rules of the web-pictures tool that need no window.

// The address the browser is sent to for what the user typed: empty when the text is blank;
// otherwise the text as typed, with "http://" put in front unless it holds "http://" anywhere
// (in lower case).
QString addressToLoad(const QString& typed);

// True for a picture address whose extension (after its last ".", in upper case) is GIF or JPG.
bool isWantedPicture(const QString& address);

// The part of the address after its last "/", percent-decoded.
QString pictureFileName(const QString& address);

// `name` itself for the first picture of that name, then "name (2).ext", "name (3).ext", ...
QString numberedName(const QString& name, int number);

// True when the web browser would refuse to start and end the whole program with it: for the
// superuser, unless its sandbox is turned off in the environment.
bool browserRefusesToStart(bool superuser, const QProcessEnvironment& environment);

// Where a picture named `name` is saved in `folder` (joined with "/", a folder ending in "/"
// giving a doubled separator); empty for a name that would not make a file of its own inside the
// folder: empty, ".", "..", or holding a separator.
QString targetPath(const QString& folder, const QString& name);
