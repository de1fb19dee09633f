#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// How one file of a conversion run ended.
struct ConversionResult {
    enum class Outcome { Converted, TargetExists, Failed };
    QString source; // full names
    QString target;
    Outcome outcome = Outcome::Converted;
    QString reason; // why it failed
};

// Told each file's result as soon as it is known, in the order of the found names, on the
// calling thread; returns false to stop the run after that file.
using ConversionSink = std::function<bool(const ConversionResult&)>;

// Converts the found files of `sourcePattern` (names from findSources()) to the format of
// `targetPattern`: bitmaps to JPEG at quality 100, or JPEGs to 24-bit bitmaps. Each new file goes
// beside its source under targetName(), never over anything that exists; sources are only read.
// The next files are read and encoded on every core while the current one is written.
// Bitmap to JPEG: a source that cannot be read or a target that cannot be written ends the run
// with its std::runtime_error, after the results before it were told. JPEG to bitmap: such a
// file is a Failed result with its reason, and the run goes on.
QList<ConversionResult> ConvertFiles(const QString& sourcePattern, const QString& targetPattern,
                                     const QStringList& foundNames, const ConversionSink& tell);
