#include "tools/folder_listing_dialog.h"

#include "output/printing.h"
#include "tools/folder_files.h"
#include "tools/folder_listing.h"
#include "ui/choosers.h"
#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/window_look.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace
{

QPushButton* makeButton(QWidget* parent, const QString& caption, QRect place)
{
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

// The lines go out in the printer's own font, each page's runs where the stream put them.
void printLines(const QStringList& lines, QPainter& painter, QPagedPaintDevice& device)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const TextStreamPage page{QSize(device.width(), device.height()), metrics.height(),
                              [&](const QString& text) { return metrics.horizontalAdvance(text); }};
    const QList<PrintedPage> pages = layOutTextStream(lines, page);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        for (const PrintedRun& run : pages[i])
            painter.drawText(run.at + QPoint(0, metrics.ascent()), run.text);
    }
}

} // namespace

TFrmprintfolder::TFrmprintfolder(QWidget* owner, Services services)
    : QDialog(owner, DialogTitleBar), services_(services)
{
    setWindowTitle(QStringLiteral("Print Folder Listing"));
    setFixedSize(511, 269);
    fillBackground(*this, FormGray);

    Label1 = wrappedLabel(
        this,
        QStringLiteral("This section allows you to select a folder, and send the file names in "
                       "that folder to your printer.  You can also print the file contents in "
                       "alphabetical order if you choose.  "),
        QRect(10, 10, 491, 48), facePixels(QStringLiteral("Arial"), 12));
    Edpath = new QLineEdit(this);
    Edpath->setGeometry(10, 64, 491, 24);

    Cmdselect = makeButton(this, QStringLiteral("Choose a Folder"), QRect(10, 104, 160, 28));
    Cmdprint = makeButton(this, QStringLiteral("Print Folder Contents"), QRect(10, 142, 160, 28));

    GroupBox1 = new QGroupBox(QStringLiteral("File Print Order"), this);
    QFont bold = GroupBox1->font();
    bold.setBold(true);
    GroupBox1->setFont(bold);
    GroupBox1->setGeometry(190, 100, 311, 70);
    Radunsorted = new QRadioButton(QStringLiteral("No Sort Order"), GroupBox1);
    Radunsorted->setGeometry(14, 30, 130, 24);
    Radsorted = new QRadioButton(QStringLiteral("Sorted Alphabetically"), GroupBox1);
    Radsorted->setGeometry(146, 30, 160, 24);
    bold.setBold(false); // the choices are plain; only the group's caption is bold
    for (QRadioButton* choice : {Radunsorted, Radsorted})
        choice->setFont(bold);

    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogListView).pixmap(32, 32));
    Image1->setGeometry(10, 222, 32, 32);

    BitBtn2 = makeButton(this, QStringLiteral("Return"), QRect(416, 229, 85, 28));
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));

    connectHandler(services_.messages, Cmdselect, &QPushButton::clicked, this,
                   &TFrmprintfolder::CmdselectClick);
    connectHandler(services_.messages, Cmdprint, &QPushButton::clicked, this,
                   &TFrmprintfolder::CmdprintClick);
    connectHandler(services_.messages, BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmprintfolder::FormCreate()
{
    Radsorted->setChecked(true);
}

void TFrmprintfolder::CmdselectClick()
{
    const OpenDialogSpec dialog{QStringLiteral("All Files (*)"), QStringLiteral("*"), QString(),
                                true};
    const QString chosen = services_.choosers.openFile(dialog);
    if (!chosen.isEmpty())
        Edpath->setText(folderOfFile(chosen));
}

void TFrmprintfolder::CmdprintClick()
{
    const QString folder = Edpath->text();
    if (!folderExists(folder)) {
        services_.messages.show(
            MessageKind::Information,
            QStringLiteral("You must first select a folder using the button above. After you "
                           "select a folder, then it will appear in the white text box, and you "
                           "can then print a list of items in the folder, and you can also choose "
                           "the sort order to print."));
        return;
    }
    const QStringList names = listingNames(folder, Radsorted->isChecked());
    const QStringList lines =
        QStringList{QStringLiteral("Files Located In ") + folder, " "} + names;
    printOnDefaultPrinter(std::nullopt, [&](QPainter& painter, QPagedPaintDevice& device) {
        printLines(lines, painter, device);
    });
    services_.messages.show(MessageKind::Information,
                            QString::number(names.size()) +
                                QStringLiteral(" file names are being printed."));
}
