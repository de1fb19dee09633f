#pragma once

#include <QByteArray>
#include <QString>

// Printing through the system's spooler (print_spooler_cups.cpp).
namespace platform
{

// The default printer's name, or empty when there is none.
QString defaultPrinterName();

// Hands `pdf` to `printer` as one job called `title`. Throws std::runtime_error "Unable to print:
// <the spooler's reason>" when any step of the hand-over is refused.
void printPdf(const QString& printer, const QString& title, const QByteArray& pdf);

} // namespace platform
