#pragma once

#include <QPageLayout>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

class QImage;
class QPagedPaintDevice;
class QPainter;

// Where a printed picture goes, in printer pixels from the corner of the printable area: an inch
// clear at either side and three inches above and below. dotsPerInch is the printer's vertical
// resolution, which sets the inch for both directions.
QRect printDestination(int dotsPerInch, QSize printableArea);

// Draws the picture on a page whose painter stands at the printable area's corner, stretched to
// fill its destination whatever its proportions.
void drawPrintedPicture(QPainter& painter, QPagedPaintDevice& page, const QImage& picture);

// Prints the picture on the default printer as a one-page portrait job with no title, through
// printOnDefaultPrinter(). Throws std::runtime_error when the picture is empty (before any job
// begins) or when the job cannot be printed.
void PrintImage(const QImage& picture);

// Draws on the pages of a document for the default printer. The painter stands at the corner of
// the printable area, and the device's size is that area in printer pixels; the drawing starts
// further pages itself with the device's newPage().
using PageDrawing = std::function<void(QPainter&, QPagedPaintDevice&)>;

// Draws a document at the default printer's page size and resolution into a PDF in memory, and
// hands that to the spooler as one job without a title. Throws std::runtime_error "Unable to
// print: ..." when there is no default printer, and with the spooler's own reason when it
// refuses the job; nothing is printed then.
void printOnDefaultPrinter(std::optional<QPageLayout::Orientation> orientation,
                           const PageDrawing& draw);
