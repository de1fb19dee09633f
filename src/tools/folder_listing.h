#pragma once

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

// The names a folder listing prints: the folder's visible regular files, sorted alphabetically
// without regard to letter case in the user's language, or in the file system's own order.
QStringList listingNames(const QString& folder, bool sorted);

// A piece of text placed on a printed page; `at` is the top-left corner of its line.
struct PrintedRun {
    QPoint at;
    QString text;
    bool operator==(const PrintedRun&) const = default;
};
using PrintedPage = QList<PrintedRun>;

// What the printer's text stream knows of the page and its font, in printer pixels.
struct TextStreamPage {
    QSize size;     // the printable area
    int textHeight; // of any text in the font
    std::function<int(const QString&)> width;
};

// Lines laid out as a printer's text stream does it: from the printable area's corner without a
// margin; each line as high as its text plus 2; a piece of text that would cross the right edge
// is cut at the longest part that fits and goes on at the start of the next line; after a line
// the pen goes down by its height, and onto a new page when it is then lower than the page height
// less twice that height. Nothing is repeated on later pages, and no page is left empty.
QList<PrintedPage> layOutTextStream(const QStringList& lines, const TextStreamPage& page);
