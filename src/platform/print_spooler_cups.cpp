#include "platform/print_spooler.h"

#include <cups/cups.h>

#include <memory>
#include <stdexcept>

namespace platform
{

namespace
{

[[noreturn]] void refuse()
{
    throw std::runtime_error(std::string("Unable to print: ") + cupsLastErrorString());
}

struct DestinationFree {
    void operator()(cups_dest_t* destination) const { cupsFreeDests(1, destination); }
};
using Destination = std::unique_ptr<cups_dest_t, DestinationFree>;

// A created job that is not finished is cancelled, so that it does not wait in the queue for
// a document that never comes.
class Job
{
public:
    Job(const QByteArray& printer, const QByteArray& title)
        : printer_(printer),
          id_(cupsCreateJob(CUPS_HTTP_DEFAULT, printer.constData(), title.constData(), 0, nullptr))
    {
        if (id_ == 0)
            refuse();
    }
    ~Job()
    {
        if (id_ != 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, printer_.constData(), id_, 0);
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    void send(const QByteArray& pdf)
    {
        if (cupsStartDocument(CUPS_HTTP_DEFAULT, printer_.constData(), id_, nullptr,
                              CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE)
            refuse();
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(), size_t(pdf.size())) !=
            HTTP_STATUS_CONTINUE) {
            cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.constData());
            refuse();
        }
        if (cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.constData()) >
            IPP_STATUS_OK_EVENTS_COMPLETE)
            refuse();
        id_ = 0; // the spooler has it now
    }

private:
    QByteArray printer_;
    int id_;
};

} // namespace

QString defaultPrinterName()
{
    const Destination destination(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
    if (!destination)
        return {};
    return QString::fromUtf8(destination->name);
}

void printPdf(const QString& printer, const QString& title, const QByteArray& pdf)
{
    Job job(printer.toUtf8(), title.toUtf8());
    job.send(pdf);
}

} // namespace platform
