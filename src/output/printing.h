#pragma once

#include <QPageLayout>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class QImage;
class QPagedPaintDevice;
class QPainter;
class QPrinter;

// Where a printed picture goes, in printer pixels from the corner of the printable area: an inch
// clear at either side and three inches above and below. dotsPerInch is the printer's vertical
// resolution, which sets the inch for both directions.
QRect printDestination(int dotsPerInch, QSize printableArea);

// Prints the picture as a one-page portrait job with no title, stretched to fill its destination
// whatever its proportions. Throws std::runtime_error when the picture is empty (before any job
// begins) or when the printer does not accept the job.
void PrintImage(QPrinter& printer, const QImage& picture);

// The same on the default printer, through printOnDefaultPrinter().
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

// The system's default printer at its own resolution; throws std::runtime_error when there is
// no default printer.
std::unique_ptr<QPrinter> defaultPrinter();
