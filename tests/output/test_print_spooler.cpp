#include "cups_sandbox.h"
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "output/printing.h"
#include "printed_page.h"
#include "shell/main_window.h"
#include "ui/picture_box.h"

#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>

#include <QElapsedTimer>
#include <QPrinter>

namespace
{

constexpr int RenderDotsPerInch = 100;

QString newestFile(const QStringList& files)
{
    return *std::max_element(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).lastModified() < QFileInfo(b).lastModified();
    });
}

} // namespace

// Runs in order: the spooler starts with no queue, and the second case adds one.
class TestPrintSpooler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void noQueueIsReportedAtOnce();
    void pictureReachesThePaper_data();
    void pictureReachesThePaper();

private:
    bool queueAdded_ = false;
    qsizetype jobs_ = 0;
    std::unique_ptr<fgtest::CupsSandbox> spooler_;
};

void TestPrintSpooler::initTestCase()
{
    const QString unavailable = fgtest::CupsSandbox::whyUnavailable();
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    try {
        spooler_ = std::make_unique<fgtest::CupsSandbox>();
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
}

// "Print" on a system without printers says so at once and nothing hangs.
void TestPrintSpooler::noQueueIsReportedAtOnce()
{
    QElapsedTimer timer;
    timer.start();
    TForm1 form(fgtest::services());
    QTest::mouseClick(form.cmdprint, Qt::LeftButton);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Error);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("Unable to print: there is no default printer."));
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString("took %1 ms").arg(timer.elapsed())));
}

void TestPrintSpooler::pictureReachesThePaper_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("PrintImage") << "routine";
    QTest::newRow("main window's Print button") << "button";
    QTest::newRow("action dialog's Print option") << "dialog";
}

// One page per job, with the picture where the page's size and resolution put it.
void TestPrintSpooler::pictureReachesThePaper()
{
    QFETCH(QString, how);
    const QImage picture = fgtest::quarteredPicture(QSize(40, 10));
    QStringList pdfs;
    std::unique_ptr<QPrinter> printer;
    try {
        if (!queueAdded_)
            spooler_->addDefaultPdfQueue("fgpdf");
        queueAdded_ = true;
        printer = defaultPrinter();
        if (how == "routine") {
            PrintImage(*printer, picture);
        } else {
            TForm1 form(fgtest::services());
            form.Image1->setPicture(picture);
            if (how == "button") {
                QTest::mouseClick(form.cmdprint, Qt::LeftButton);
            } else {
                form.Frmopt->optionpr->setChecked(true);
                form.Frmopt->setPicture(picture, picture.size());
                form.Frmopt->ApplyCropOption();
            }
            QVERIFY2(fgtest::appMessages().shown.isEmpty(),
                     qPrintable(fgtest::appMessages().shown.value(0).text));
        }
        pdfs = spooler_->waitForPdfs(60000, ++jobs_);
        QCOMPARE(pdfs.size(), jobs_);
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    QCOMPARE(printer->printerName(), "fgpdf");
    pdfs.sort();
    const QString pdf = pdfs.size() == 1 ? pdfs.first() : newestFile(pdfs);

    const QPageLayout layout = printer->pageLayout();
    const int dotsPerInch = printer->logicalDpiY();
    const QRect printable = layout.paintRectPixels(printer->resolution());
    const fgtest::PdfFacts facts = fgtest::pdfFacts(pdf);
    QCOMPARE(facts.pages, 1);
    const QSizeF pageSize = layout.fullRectPoints().size();
    QVERIFY2(qAbs(facts.pageSizePoints.width() - pageSize.width()) < 1 &&
                 qAbs(facts.pageSizePoints.height() - pageSize.height()) < 1,
             qPrintable(QString("page is %1 x %2 pt")
                            .arg(facts.pageSizePoints.width())
                            .arg(facts.pageSizePoints.height())));
    const QRect expected =
        printDestination(dotsPerInch, printable.size()).translated(printable.topLeft());
    const QImage page = fgtest::renderFirstPage(pdf, RenderDotsPerInch);
    const QString wrong = fgtest::misplacedPicture(page, RenderDotsPerInch, expected, dotsPerInch);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

FG_TEST_MAIN(TestPrintSpooler)
#include "test_print_spooler.moc"
