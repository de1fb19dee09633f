#include "output/printing.h"

#include "output/picture_errors.h"
#include "platform/print_spooler.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <stdexcept>

namespace
{

const char* const NoDefaultPrinter = "Unable to print: there is no default printer.";

// A begun job that is never ended keeps the printer's file or spooler connection open and never
// reaches the paper, so the job ends however the drawing goes.
class PrintJob
{
public:
    PrintJob(QPaintDevice& device, std::function<std::string()> refusal)
        : refusal_(std::move(refusal))
    {
        if (!painter_.begin(&device))
            throw std::runtime_error(refusal_());
    }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    ~PrintJob()
    {
        if (painter_.isActive())
            painter_.end();
    }

    QPainter& painter() { return painter_; }

    // Ends the drawing; only here can a failure still be reported, the destructor must not throw.
    void finish()
    {
        if (!painter_.end())
            throw std::runtime_error(refusal_());
    }

private:
    std::function<std::string()> refusal_;
    QPainter painter_;
};

} // namespace

QRect printDestination(int dotsPerInch, QSize printableArea)
{
    const int inch = dotsPerInch;
    return {inch, 3 * inch, printableArea.width() - 2 * inch, printableArea.height() - 6 * inch};
}

void drawPrintedPicture(QPainter& painter, QPagedPaintDevice& page, const QImage& picture)
{
    // the device's width and height are the printable area in printer pixels
    const QSize printable(page.width(), page.height());
    painter.drawImage(printDestination(page.logicalDpiY(), printable), picture);
}

void PrintImage(const QImage& picture)
{
    requireNonEmpty(picture);
    printOnDefaultPrinter(QPageLayout::Portrait, [&](QPainter& painter, QPagedPaintDevice& page) {
        drawPrintedPicture(painter, page, picture);
    });
}

void printOnDefaultPrinter(std::optional<QPageLayout::Orientation> orientation,
                           const PageDrawing& draw)
{
    const QString name = platform::defaultPrinterName();
    if (name.isEmpty())
        throw std::runtime_error(NoDefaultPrinter);
    // the page as the printer has it: size, printable area and resolution
    const QPrinter printer(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pages(&buffer);
        pages.setResolution(printer.resolution());
        pages.setPageLayout(printer.pageLayout());
        if (orientation)
            pages.setPageOrientation(*orientation);
        PrintJob job(pages, [] { return std::string("Unable to print: out of memory."); });
        draw(job.painter(), pages);
        job.finish();
    }
    platform::printPdf(name, QString(), pdf);
}
