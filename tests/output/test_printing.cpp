#include "fg_test.h"
#include "output/picture_errors.h"
#include "output/printing.h"
#include "printed_page.h"

#include <QFile>
#include <QPageSize>
#include <QPrinter>

namespace
{

constexpr int RenderDotsPerInch = 100;

// A PDF printer with a title, as a printer used before might be left.
std::unique_ptr<QPrinter> pdfPrinter(const QString& path, int dotsPerInch)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(dotsPerInch);
    printer->setDocName("Holiday snapshot");
    return printer;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void destination_data();
    void destination();
    void pictureFillsItsPlace_data();
    void pictureFillsItsPlace();
    void emptyPictureStartsNoJob_data();
    void emptyPictureStartsNoJob();

private:
    QTemporaryDir folder_;
};

void TestPrinting::initTestCase()
{
    QVERIFY(folder_.isValid());
    // PDF output needs no spooler; keep the person's own out of reach of the printer set-up.
    qputenv("CUPS_SERVER", QFile::encodeName(folder_.filePath("no-spooler.sock")));
}

void TestPrinting::destination_data()
{
    QTest::addColumn<int>("dotsPerInch");
    QTest::addColumn<QSize>("printable");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("600 dpi, 8 x 10.67 in")
        << 600 << QSize(4800, 6400) << QRect(600, 1800, 3600, 2800);
    QTest::newRow("300 dpi, Letter") << 300 << QSize(2550, 3300) << QRect(300, 900, 1950, 1500);
    QTest::newRow("72 dpi, A4") << 72 << QSize(595, 842) << QRect(72, 216, 451, 410);
    QTest::newRow("1200 dpi, A4 less margins")
        << 1200 << QSize(9621, 13731) << QRect(1200, 3600, 7221, 6531);
}

void TestPrinting::destination()
{
    QFETCH(int, dotsPerInch);
    QFETCH(QSize, printable);
    QFETCH(QRect, expected);
    QCOMPARE(printDestination(dotsPerInch, printable), expected);
}

void TestPrinting::pictureFillsItsPlace_data()
{
    QTest::addColumn<int>("dotsPerInch");
    QTest::addColumn<QPageSize>("pageSize");
    QTest::addColumn<QPageLayout::Orientation>("orientationBefore");
    QTest::addColumn<bool>("fullPage");
    QTest::addColumn<QMarginsF>("marginsPoints");
    QTest::addColumn<QRect>("expected"); // in the page's pixels, from the page's corner

    const QMarginsF halfInch(36, 36, 36, 36);
    QTest::newRow("600 dpi, 8 x 10.67 in, whole page")
        << 600 << QPageSize(QSizeF(576, 768), QPageSize::Point) << QPageLayout::Portrait << true
        << halfInch << QRect(600, 1800, 3600, 2800);
    // printable 2180 x 3208 from (150,150)
    QTest::newRow("300 dpi, A4, half-inch margins")
        << 300 << QPageSize(QPageSize::A4) << QPageLayout::Portrait << false << halfInch
        << QRect(450, 1050, 1580, 1408);
    // printable 523 x 662 from (72,144)
    QTest::newRow("72 dpi, A4, uneven margins")
        << 72 << QPageSize(QPageSize::A4) << QPageLayout::Portrait << false
        << QMarginsF(72, 144, 0, 36) << QRect(144, 360, 379, 230);
    QTest::newRow("1200 dpi, Letter, was landscape")
        << 1200 << QPageSize(QPageSize::Letter) << QPageLayout::Landscape << true << halfInch
        << QRect(1200, 3600, 7800, 6000);
}

void TestPrinting::pictureFillsItsPlace()
{
    QFETCH(int, dotsPerInch);
    QFETCH(QPageSize, pageSize);
    QFETCH(QPageLayout::Orientation, orientationBefore);
    QFETCH(bool, fullPage);
    QFETCH(QMarginsF, marginsPoints);
    QFETCH(QRect, expected);
    const QString pdf = folder_.filePath(QString("%1.pdf").arg(QTest::currentDataTag()));
    const auto printer = pdfPrinter(pdf, dotsPerInch);
    printer->setPageSize(pageSize);
    printer->setPageOrientation(orientationBefore);
    printer->setPageMargins(marginsPoints, QPageLayout::Point);
    printer->setFullPage(fullPage);

    // wider than the place it fills, so that kept proportions would show
    fgtest::printOn(*printer, fgtest::quarteredPicture(QSize(40, 10)));

    const fgtest::PdfFacts facts = fgtest::pdfFacts(pdf);
    QCOMPARE(facts.pages, 1);
    QVERIFY2(facts.title.isEmpty(), qPrintable(facts.title));
    const QSizeF portrait = pageSize.size(QPageSize::Point);
    QVERIFY2(qAbs(facts.pageSizePoints.width() - portrait.width()) < 1 &&
                 qAbs(facts.pageSizePoints.height() - portrait.height()) < 1,
             qPrintable(QString("page is %1 x %2 pt")
                            .arg(facts.pageSizePoints.width())
                            .arg(facts.pageSizePoints.height())));
    const QImage page = fgtest::renderFirstPage(pdf, RenderDotsPerInch);
    const QString wrong = fgtest::misplacedPicture(page, RenderDotsPerInch, expected, dotsPerInch);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestPrinting::emptyPictureStartsNoJob_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::newRow("null") << QImage();
    QTest::newRow("no width") << QImage(0, 8, QImage::Format_RGB32);
    QTest::newRow("no height") << QImage(8, 0, QImage::Format_RGB32);
}

void TestPrinting::emptyPictureStartsNoJob()
{
    QFETCH(QImage, picture);
    try {
        PrintImage(picture);
        QFAIL("an empty picture was printed");
    } catch (const std::runtime_error& failure) {
        QCOMPARE(failure.what(), EmptyPictureText);
    }
}

FG_TEST_MAIN(TestPrinting)
#include "test_printing.moc"
