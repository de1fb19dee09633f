#pragma once

#include <QRect>
#include <QSize>
#include <memory>

class QImage;
class QPrinter;

// Where a printed picture goes, in printer pixels from the corner of the printable area: an inch
// clear at either side and three inches above and below. dotsPerInch is the printer's vertical
// resolution, which sets the inch for both directions.
QRect printDestination(int dotsPerInch, QSize printableArea);

// Prints the picture as a one-page portrait job with no title, stretched to fill its destination
// whatever its proportions. Throws std::runtime_error when the picture is empty (before any job
// begins) or when the printer does not accept the job.
void PrintImage(QPrinter& printer, const QImage& picture);

// The system's default printer at its own resolution; throws std::runtime_error when there is
// no default printer.
std::unique_ptr<QPrinter> defaultPrinter();
