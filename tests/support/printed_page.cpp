#include "printed_page.h"

#include "fg_test.h"
#include "output/picture_errors.h"
#include "output/printing.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <array>
#include <cstdlib>

namespace fgtest
{

namespace
{

// Clockwise from the top left; none of them close to white or to each other.
constexpr std::array<QRgb, 4> QuarterColours = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 0),
                                                qRgb(0, 160, 0)};

// Printing goes through image compression and colour conversion, so colours come back near, not
// equal.
bool near(QRgb actual, QRgb expected)
{
    constexpr int Tolerance = 60;
    return std::abs(qRed(actual) - qRed(expected)) <= Tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= Tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= Tolerance;
}

QRect inkBounds(const QImage& page)
{
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if (qMin(qMin(qRed(line[x]), qGreen(line[x])), qBlue(line[x])) < 240) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QString describe(QRect r)
{
    return QString("(%1,%2) %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QImage quarteredPicture(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    const int halfWidth = size.width() / 2, halfHeight = size.height() / 2;
    QPainter painter(&picture);
    painter.fillRect(0, 0, halfWidth, halfHeight, QColor(QuarterColours[0]));
    painter.fillRect(halfWidth, 0, size.width() - halfWidth, halfHeight, QColor(QuarterColours[1]));
    painter.fillRect(halfWidth, halfHeight, size.width() - halfWidth, size.height() - halfHeight,
                     QColor(QuarterColours[2]));
    painter.fillRect(0, halfHeight, halfWidth, size.height() - halfHeight,
                     QColor(QuarterColours[3]));
    return picture;
}

PdfFacts pdfFacts(const QString& pdf)
{
    const QString info = QString::fromUtf8(runPeer("pdfinfo", {pdf}));
    PdfFacts facts;
    const auto field = [&](const QString& name) {
        const QRegularExpression line("^" + name + ":[ \t]*(.*)$",
                                      QRegularExpression::MultilineOption);
        return line.match(info).captured(1).trimmed();
    };
    facts.pages = field("Pages").toInt();
    facts.title = field("Title");
    const QRegularExpressionMatch size =
        QRegularExpression("^([0-9.]+) x ([0-9.]+) pts").match(field("Page size"));
    facts.pageSizePoints = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    return facts;
}

QImage renderFirstPage(const QString& pdf, int dotsPerInch)
{
    const QByteArray png = runPeer(
        "pdftoppm", {"-r", QString::number(dotsPerInch), "-png", "-singlefile", "-f", "1", pdf});
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

QString misplacedPicture(const QImage& page, int renderDotsPerInch, QRect expected,
                         int pageDotsPerInch)
{
    if (page.isNull())
        return "the page could not be rendered";
    const double scale = double(renderDotsPerInch) / pageDotsPerInch;
    const QRect want(QPoint(qRound(expected.left() * scale), qRound(expected.top() * scale)),
                     QPoint(qRound((expected.right() + 1) * scale) - 1,
                            qRound((expected.bottom() + 1) * scale) - 1));
    const QRect found = inkBounds(page);
    if (found.isNull())
        return "the page is blank";
    // edges may be rounded either way when the page is drawn at another resolution
    const auto close = [](int a, int b) { return std::abs(a - b) <= 1; };
    if (!close(found.left(), want.left()) || !close(found.top(), want.top()) ||
        !close(found.right(), want.right()) || !close(found.bottom(), want.bottom()))
        return "ink covers " + describe(found) + ", expected " + describe(want);
    const std::array<QPoint, 4> quarterMiddles = {
        QPoint(found.left() + found.width() / 4, found.top() + found.height() / 4),
        QPoint(found.left() + found.width() * 3 / 4, found.top() + found.height() / 4),
        QPoint(found.left() + found.width() * 3 / 4, found.top() + found.height() * 3 / 4),
        QPoint(found.left() + found.width() / 4, found.top() + found.height() * 3 / 4)};
    for (size_t i = 0; i < quarterMiddles.size(); ++i) {
        const QRgb colour = page.pixel(quarterMiddles[i]);
        if (!near(colour, QuarterColours[i]))
            return QString("pixel (%1,%2) is %3, expected near %4")
                .arg(quarterMiddles[i].x())
                .arg(quarterMiddles[i].y())
                .arg(colour & 0xFFFFFF, 6, 16, QChar('0'))
                .arg(QuarterColours[i] & 0xFFFFFF, 6, 16, QChar('0'));
    }
    return {};
}

void printOn(QPrinter& printer, const QImage& picture)
{
    requireNonEmpty(picture);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(QString());
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("the printer " + printer.printerName().toStdString() + " (" +
                                 printer.outputFileName().toStdString() + ") did not begin");
    drawPrintedPicture(painter, printer, picture);
    if (!painter.end())
        throw std::runtime_error("the job did not end");
}

std::unique_ptr<QPrinter> defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        throw std::runtime_error("the spooler has no default printer");
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

} // namespace fgtest
