#pragma once

#include <QImage>
#include <QRect>
#include <QSizeF>
#include <QString>

#include <memory>

class QPrinter;

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

// The picture printed the program's way onto a printer of the test's own (a PDF file, a queue of
// the test's spooler), as a one-page portrait job with no title. Throws std::runtime_error when
// the picture is empty or the printer cannot begin the job.
void printOn(QPrinter& printer, const QImage& picture);

// The spooler's default printer at its own resolution; throws std::runtime_error without one.
std::unique_ptr<QPrinter> defaultPrinter();

} // namespace fgtest
