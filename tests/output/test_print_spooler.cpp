#include "cups_sandbox.h"
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "output/printing.h"
#include "printed_page.h"
#include "shell/main_window.h"
#include "tools/folder_listing_dialog.h"
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

// Prints the folder's listing as the user does it: the main window's button, a file of the folder
// chosen, the sort order, "Print Folder Contents", "Return".
void printListing(const QString& folder, bool sorted)
{
    TForm1 form(fgtest::services());
    fgtest::appChoosers().answers = {folder + "/A-first.txt"};
    fgtest::answerWhenOpen<TFrmprintfolder>([sorted](TFrmprintfolder& dialog) {
        const bool sortedAtOpening = dialog.Radsorted->isChecked();
        QTest::mouseClick(dialog.Cmdselect, Qt::LeftButton);
        QTest::mouseClick(sorted ? dialog.Radsorted : dialog.Radunsorted, Qt::LeftButton);
        if (sortedAtOpening)
            QTest::mouseClick(dialog.Cmdprint, Qt::LeftButton);
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(form.Button4, Qt::LeftButton);
}

void printFromEveryPlace(const QString& how, const QString& folder)
{
    TForm1 form(fgtest::services());
    if (how == "Print")
        QTest::mouseClick(form.cmdprint, Qt::LeftButton);
    else
        printListing(folder, true);
}

// The pages' lines as pdftotext reads them, blank lines left out. (The PDF queue's own PDF has
// its text drawn again without the letters' meaning, so the document is read as it was sent.)
QList<QStringList> printedLines(const QByteArray& pdf)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("job.pdf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    file.close();
    QList<QStringList> pages;
    const QString text =
        QString::fromUtf8(fgtest::runPeer("pdftotext", {"-layout", file.fileName(), "-"}));
    for (const QString& page : text.split('\f', Qt::SkipEmptyParts)) {
        QStringList lines;
        for (const QString& line : page.split('\n'))
            if (!line.trimmed().isEmpty()) // the font's ligatures read as the letters they join
                lines.append(line.trimmed().normalized(QString::NormalizationForm_KC));
        if (!lines.isEmpty())
            pages.append(lines);
    }
    return pages;
}

} // namespace

class TestPrintSpooler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void noQueueIsReportedAtOnce_data();
    void noQueueIsReportedAtOnce();
    void pictureReachesThePaper_data();
    void pictureReachesThePaper();
    void listingReachesThePaper_data();
    void listingReachesThePaper();
    void refusedJobIsReported_data();
    void refusedJobIsReported();

private:
    // Adds the default queue or takes it away, as the test needs it, whatever ran before.
    void haveQueue(bool wanted);

    bool queueAdded_ = false;
    qsizetype jobs_ = 0;
    std::unique_ptr<fgtest::CupsSandbox> spooler_;
    QTemporaryDir folder_;
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
    // the file that the folder listing's chooser is answered with
    QVERIFY(QFile(folder_.filePath("A-first.txt")).open(QIODevice::WriteOnly));
}

void TestPrintSpooler::haveQueue(bool wanted)
{
    if (queueAdded_ == wanted)
        return;
    if (wanted)
        spooler_->addDefaultPdfQueue("fgpdf");
    else
        spooler_->removeQueue("fgpdf");
    queueAdded_ = wanted;
}

void TestPrintSpooler::noQueueIsReportedAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Print") << "Print";
    QTest::newRow("folder listing") << "listing";
}

// Printing on a system without printers says so at once and nothing hangs.
void TestPrintSpooler::noQueueIsReportedAtOnce()
{
    QFETCH(QString, how);
    try {
        haveQueue(false);
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    QElapsedTimer timer;
    timer.start();
    printFromEveryPlace(how, folder_.path());
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
        haveQueue(true);
        printer = fgtest::defaultPrinter();
        if (how == "routine") {
            PrintImage(picture);
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

void TestPrintSpooler::listingReachesThePaper_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::newRow("Sorted Alphabetically") << true;
    QTest::newRow("No Sort Order") << false;
}

// Header, blank line and the names, a name wider than the page on more than one line, and a long
// list on further pages without the header again; read back as the spooler received it.
void TestPrintSpooler::listingReachesThePaper()
{
    QFETCH(bool, sorted);
    const QString longName = QString(230, 'w') + ".txt";
    QStringList names = {"A-first.txt", "b-second.txt", "C-third.txt"}; // in sorted order
    for (int i = 1; i <= 150; ++i)
        names.append(QString("file-%1").arg(i, 3, 10, QChar('0')));
    names.append(longName);
    QTemporaryDir folder;
    for (const QString& name : names + QStringList{".hidden"})
        QFile(folder.filePath(name)).open(QIODevice::WriteOnly);
    QDir(folder.path()).mkdir("sub folder");
    try {
        haveQueue(true);
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    if (!sorted)
        names = QString::fromUtf8(
                    fgtest::runPeer("find", {folder.path(), "-maxdepth", "1", "-type", "f", "-not",
                                             "-name", ".*", "-printf", "%f\n"}))
                    .split('\n', Qt::SkipEmptyParts);

    printListing(folder.path(), sorted);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("%1 file names are being printed.").arg(names.size()));
    try {
        ++jobs_;
        QCOMPARE(spooler_->waitForPdfs(60000, jobs_).size(), jobs_); // it reached the paper
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    const QList<QStringList> pages = printedLines(spooler_->lastJobDocument());
    QVERIFY2(pages.size() >= 3, qPrintable(QString("%1 pages").arg(pages.size())));
    QStringList lines;
    for (const QStringList& page : pages)
        lines += page;
    const QString header = "Files Located In " + folder.path() + "/";
    QCOMPARE(lines.value(0), header);
    QCOMPARE(lines.count(header), 1);
    // every name in order, each on as many lines as it takes
    qsizetype at = 1;
    for (const QString& name : names) {
        QString printed;
        const qsizetype first = at;
        while (at < lines.size() && printed.size() < name.size())
            printed += lines[at++];
        QCOMPARE(printed, name);
        if (name == longName)
            QVERIFY2(at - first > 1, "the long name fits on one line");
    }
    QCOMPARE(at, lines.size());
}

void TestPrintSpooler::refusedJobIsReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Print") << "Print";
    QTest::newRow("folder listing") << "listing";
}

// A queue that refuses jobs gets its reason into the error report; nothing says all went well.
void TestPrintSpooler::refusedJobIsReported()
{
    QFETCH(QString, how);
    try {
        haveQueue(true);
        spooler_->setAcceptingJobs("fgpdf", false);
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    printFromEveryPlace(how, folder_.path());
    spooler_->setAcceptingJobs("fgpdf", true);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Error);
    const QString text = fgtest::appMessages().shown[0].text;
    QVERIFY2(text.startsWith("Unable to print: ") && text.contains("accepting"), qPrintable(text));
}

FG_TEST_MAIN(TestPrintSpooler)
#include "test_print_spooler.moc"
