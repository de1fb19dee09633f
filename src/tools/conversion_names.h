#pragma once

#include <QString>
#include <QStringList>

// The names a conversion run is made of. A pattern is a folder text followed by "/*" and an
// extension ("/home/ann/pics/*.bmp"); a folder text that ends in "/" gives a doubled separator,
// which is kept in every name built from it.

// The extension of a pattern as it spells it: ".bmp".
QString patternExtension(const QString& pattern);

// The files a pattern finds: visible regular files whose names end in its extension, in any
// letter case, in the order the file system lists them.
QStringList findSources(const QString& sourcePattern);

// The source's full name: the pattern's folder part followed by the found name.
QString sourceName(const QString& sourcePattern, const QString& foundName);

// The target beside the source: the found name without its extension, in capitals, followed by
// the target extension (".JPG"); the folder keeps its own letter case. shot.old.bmp gives
// SHOT.OLD.JPG.
QString targetName(const QString& sourcePattern, const QString& foundName,
                   const QString& targetExtension);
