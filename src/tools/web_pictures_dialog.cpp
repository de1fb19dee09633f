#include "tools/web_pictures_dialog.h"

#include "tools/web_picture_rules.h"
#include "ui/choosers.h"
#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/window_look.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <stdexcept>

namespace
{

const QString ExampleSite = QStringLiteral("www.example.com");

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& place)
{
    return wrappedLabel(parent, text, place, facePixels(QStringLiteral("Tahoma"), 11));
}

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// The program's own folder when the user may write there, as for a program kept in a folder of
// one's own; an installed program's folder is not, so then the user's pictures folder.
QString startFolder()
{
    const QString program = QCoreApplication::applicationDirPath();
    if (QFileInfo(program).isWritable())
        return program + QLatin1Char('/');
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return (QFileInfo(pictures).isDir() ? pictures : QDir::homePath()) + QLatin1Char('/');
}

// Keeps a button pressed once from being pressed again until the work it started is done.
class DisabledWhile
{
public:
    explicit DisabledWhile(QWidget* widget) : widget_(widget) { widget_->setEnabled(false); }
    ~DisabledWhile() { widget_->setEnabled(true); }
    DisabledWhile(const DisabledWhile&) = delete;
    DisabledWhile& operator=(const DisabledWhile&) = delete;

private:
    QWidget* widget_;
};

} // namespace

ResultList::ResultList(QWidget* parent) : QListWidget(parent)
{
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void ResultList::addLine(const QString& line)
{
    auto* item = new QListWidgetItem(line, this);
    item->setSizeHint(QSize(fontMetrics().horizontalAdvance(line) + 6, 14));
}

void ResultList::setHorizontalExtent(int pixels)
{
    extent_ = pixels;
    updateGeometries();
}

void ResultList::updateGeometries()
{
    if (extent_ <= 0) {
        QListWidget::updateGeometries();
        return;
    }
    // The list's own layout sets the range from its lines alone. Letting that range through and
    // then setting ours makes the bar show and hide by turns, each change asking for another
    // layout, without end; so only the range that stays is announced.
    QScrollBar* bar = horizontalScrollBar();
    {
        const QSignalBlocker quiet(bar);
        const int before = bar->maximum(), value = bar->value();
        QListWidget::updateGeometries();
        bar->setRange(0, before);
        bar->setValue(value);
    }
    bar->setRange(0, qMax(0, extent_ - viewport()->width()));
    bar->setPageStep(viewport()->width());
}

TFrmAllWeb::TFrmAllWeb(QWidget* owner, Services services)
    : QDialog(owner, DialogTitleBar), services_(services)
{
    setObjectName(QStringLiteral("FrmAllWeb"));
    setWindowTitle(QStringLiteral("Download and Capture All Web Images"));
    setFixedSize(685, 414);
    fillBackground(*this, FormGray);

    Label1 = makeLabel(
        this,
        QStringLiteral("This feature allows you to automatically download and save ALL images "
                       "from any webpage you enter.  Just type in your webpage address below, "
                       "and click the load button to load it (it will display in the thumbnail "
                       "on the right). "),
        QRect(8, 6, 330, 58));
    Label2 = makeLabel(this,
                       QStringLiteral("After loading any webpage, simply choose the folder where "
                                      "you wish to store the images on your pc, then click the "
                                      "download button."),
                       QRect(8, 66, 330, 30));
    buildStepOne();
    Label4 = makeLabel(this,
                       QStringLiteral("Once you see your webpage load in the thumbnail on your "
                                      "right, you can then capture all the images from the "
                                      "webpage below."),
                       QRect(8, 204, 330, 44));
    buildStepTwo();
    buildRightColumn();

    connectHandler(services_.messages, CmdLoad, &QPushButton::clicked, this,
                   &TFrmAllWeb::CmdLoadClick);
    connectHandler(services_.messages, BitBtn2, &QPushButton::clicked, this,
                   &TFrmAllWeb::BitBtn2Click);
    connectHandler(services_.messages, CmdDownload, &QPushButton::clicked, this,
                   &TFrmAllWeb::CmdDownloadClick);
    connectHandler(services_.messages, BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
    centreOnScreen(*this);
}

void TFrmAllWeb::buildStepOne()
{
    GroupBox1 =
        named(new QGroupBox(QStringLiteral("First, you must enter and load a webpage"), this),
              "GroupBox1");
    GroupBox1->setGeometry(8, 98, 330, 102);
    Label3 =
        makeLabel(GroupBox1, QStringLiteral("Example: ") + ExampleSite, QRect(10, 20, 310, 16));
    EdWebpage = named(new QLineEdit(GroupBox1), "EdWebpage");
    EdWebpage->setGeometry(10, 38, 310, 22);
    CmdLoad = named(new QPushButton(QStringLiteral("Load This Webpage"), GroupBox1), "CmdLoad");
    CmdLoad->setGeometry(10, 66, 150, 26);
}

void TFrmAllWeb::buildStepTwo()
{
    GroupBox2 =
        named(new QGroupBox(QStringLiteral("Next, choose a folder and then download"), this),
              "GroupBox2");
    GroupBox2->setGeometry(8, 250, 330, 112);
    Label5 = makeLabel(GroupBox2, QStringLiteral("Store images here:"), QRect(10, 20, 280, 16));
    Edfolder = named(new QLineEdit(GroupBox2), "Edfolder");
    Edfolder->setGeometry(10, 38, 278, 22);
    BitBtn2 = named(new QPushButton(GroupBox2), "BitBtn2");
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BitBtn2->setToolTip(QStringLiteral("Choose a folder location for your images"));
    BitBtn2->setGeometry(294, 37, 26, 24);
    CmdDownload =
        named(new QPushButton(QStringLiteral("Download Images Now"), GroupBox2), "CmdDownload");
    CmdDownload->setGeometry(10, 72, 150, 26);
    Image1 = named(new QLabel(this), "Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    Image1->setGeometry(8, 372, 32, 32);
}

void TFrmAllWeb::buildRightColumn()
{
    WebBrowser2 = named(new QWebEngineView(this), "WebBrowser2");
    WebBrowser2->setGeometry(343, 8, 334, 205);
    // Starting the browser now puts its drawing surface in the dialog before the dialog's window
    // exists. Added later, it makes Qt remake the shown window, which then is no longer modal and
    // lets the main window be clicked.
    WebBrowser2->setUrl(QUrl(QStringLiteral("about:blank")));
    ListBox1 = named(new ResultList(this), "ListBox1");
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    ListBox1->setFont(courier);
    ListBox1->setGeometry(343, 218, 334, 152);
    BitBtn1 = named(new QPushButton(QStringLiteral("Return"), this), "BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setGeometry(587, 378, 90, 28);
}

void TFrmAllWeb::FormCreate()
{
    Edfolder->setText(startFolder());
}

void TFrmAllWeb::CmdLoadClick()
{
    ListBox1->clear();
    const QString address = addressToLoad(EdWebpage->text());
    if (address.isEmpty()) {
        services_.messages.show(
            MessageKind::Plain,
            QStringLiteral("You must enter a webpage to load first. For example, if you wanted to "
                           "download all images from the ") +
                ExampleSite + QStringLiteral(" website, simply type ") + ExampleSite +
                QStringLiteral(" in the box before you click the load button."));
    } else {
        EdWebpage->setText(address);
        WebBrowser2->setUrl(QUrl(address));
        pageRequested_ = true;
    }
    services_.messages.show(MessageKind::Plain,
                            QStringLiteral("Hint: Once your website loads (you will see it on the "
                                           "right), you can then use the download button below to "
                                           "grab all the images."));
}

void TFrmAllWeb::BitBtn2Click()
{
    const QString folder =
        services_.choosers.chooseFolder(QStringLiteral("First, select a folder"));
    if (!folder.isEmpty())
        Edfolder->setText(folder + QLatin1Char('/'));
}

void TFrmAllWeb::CmdDownloadClick()
{
    Edfolder->setText(Edfolder->text().trimmed());
    const QString folder = Edfolder->text();
    if (!QFileInfo(folder).isDir()) {
        services_.messages.show(
            MessageKind::Plain,
            QStringLiteral("The folder you entered does not exist. Use the folder button next to "
                           "the box to choose a folder, that way there will be no mistake."));
        return;
    }
    if (!pageRequested_) {
        services_.messages.show(MessageKind::Plain,
                                QStringLiteral("No webpage has been loaded yet. Type its address "
                                               "and click the load button first, then download "
                                               "its images."));
        return;
    }
    // the downloads let window messages through, so the button could start a second run
    DisabledWhile running(CmdDownload);
    stopRequested_ = false;
    ListBox1->clear();
    downloadAll(folder, pageImageAddresses());
    FitListExtent();
}

void TFrmAllWeb::downloadAll(const QString& folder, const QStringList& addresses)
{
    const QDeadlineTimer runEnds(limits_.runMs);
    int saved = 0;
    for (const QString& address : addresses) {
        if (stopRequested_ || runEnds.hasExpired())
            break;
        if (!isWantedPicture(address))
            continue;
        const QString name = pictureFileName(address);
        const DownloadResult result =
            targetPath(folder, name).isEmpty()
                ? DownloadResult{{}, QStringLiteral("not a file name of its own")}
                : DownloadFile(network_, address, folder, name, limits_, runEnds,
                               [this] { return stopRequested_; });
        if (result.saved()) {
            ListBox1->addLine(QStringLiteral("Sucessfully Downloaded: ") + result.savedAs);
            ++saved;
        } else {
            ListBox1->addLine(QStringLiteral("Not Downloaded: ") + name + QStringLiteral(" (") +
                              result.reason + QLatin1Char(')'));
        }
        QCoreApplication::processEvents(); // the list repaints between pictures
    }
    ListBox1->addLine(QStringLiteral("Total Images Downloaded: ") + QString::number(saved));
}

// The absolute addresses of the page's pictures, in the document's order. Read in a world of
// their own, so that the page's scripts cannot change what the reading sees.
QStringList TFrmAllWeb::pageImageAddresses()
{
    // shared with the browser's answer, which may come after the wait was given up
    struct Answer {
        QVariant value;
        bool came = false;
        QEventLoop loop;
    };
    const auto answer = std::make_shared<Answer>();
    WebBrowser2->page()->runJavaScript(
        QStringLiteral("Array.from(document.images, function (picture) { return picture.src; })"),
        QWebEngineScript::ApplicationWorld, [answer](const QVariant& result) {
            answer->value = result;
            answer->came = true;
            answer->loop.quit();
        });
    if (!answer->came) {
        QTimer::singleShot(10000, &answer->loop, &QEventLoop::quit);
        answer->loop.exec();
    }
    if (!answer->came || answer->value.typeId() != QMetaType::QVariantList)
        throw std::runtime_error("The pictures of the webpage could not be read from the browser.");
    return answer->value.toStringList();
}

void TFrmAllWeb::FitListExtent()
{
    int widest = 0;
    for (int i = 0; i < ListBox1->count(); ++i)
        widest = qMax(widest, ListBox1->fontMetrics().horizontalAdvance(ListBox1->item(i)->text()));
    ListBox1->setHorizontalExtent(widest + 100);
}

void TFrmAllWeb::done(int result)
{
    stopRequested_ = true;
    QDialog::done(result);
}

QDialog* WebPicturesPlugin::createDialog(QWidget* owner, Services services)
{
    return new TFrmAllWeb(owner, services);
}
