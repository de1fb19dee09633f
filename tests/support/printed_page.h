#pragma once

#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>

namespace fgtest
{

// A picture with a different colour in each quarter, so that a printed copy shows whether it was
// turned, mirrored or cut.
QImage quarteredPicture(QSize size);

// A PDF as pdfinfo describes it.
struct PdfFacts {
    int pages = 0;
    QSizeF pageSizePoints;
    QString title;
};
PdfFacts pdfFacts(const QString& pdf);

// The first page of a PDF as pdftoppm draws it at the given resolution.
QImage renderFirstPage(const QString& pdf, int dotsPerInch);

// Checks that the only ink on the page is a quartered picture filling `expected`, given in the
// page's pixels at pageDotsPerInch while the page was rendered at renderDotsPerInch. Returns what
// is wrong, or nothing.
QString misplacedPicture(const QImage& page, int renderDotsPerInch, QRect expected,
                         int pageDotsPerInch);

} // namespace fgtest
