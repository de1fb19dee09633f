#include "output/printing.h"

#include "output/picture_errors.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <stdexcept>

namespace
{

std::string refusalText(const QPrinter& printer)
{
    if (!printer.isValid())
        return "Unable to print: no printer is available.";
    if (!printer.outputFileName().isEmpty())
        return "Unable to print: cannot write \"" + printer.outputFileName().toStdString() + "\".";
    return "Unable to print: the printer \"" + printer.printerName().toStdString() +
           "\" did not accept the job.";
}

// A begun job that is never ended keeps the printer's file or spooler connection open and never
// reaches the paper, so the job ends however the drawing goes.
class PrintJob
{
public:
    explicit PrintJob(QPrinter& printer) : printer_(printer)
    {
        if (!painter_.begin(&printer))
            throw std::runtime_error(refusalText(printer));
    }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    ~PrintJob()
    {
        if (painter_.isActive())
            painter_.end();
    }

    QPainter& painter() { return painter_; }

    // Hands the job over; only here can a failure still be reported, the destructor must not throw.
    void finish()
    {
        if (!painter_.end())
            throw std::runtime_error(refusalText(printer_));
    }

private:
    QPrinter& printer_;
    QPainter painter_;
};

} // namespace

QRect printDestination(int dotsPerInch, QSize printableArea)
{
    const int inch = dotsPerInch;
    return {inch, 3 * inch, printableArea.width() - 2 * inch, printableArea.height() - 6 * inch};
}

void PrintImage(QPrinter& printer, const QImage& picture)
{
    requireNonEmpty(picture);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(QString());
    PrintJob job(printer);
    // The painter starts at the printable area's corner, and the device's width and height are
    // that area in printer pixels.
    const QSize printable(printer.width(), printer.height());
    job.painter().drawImage(printDestination(printer.logicalDpiY(), printable), picture);
    job.finish();
}

std::unique_ptr<QPrinter> defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw std::runtime_error("Unable to print: there is no default printer.");
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}
