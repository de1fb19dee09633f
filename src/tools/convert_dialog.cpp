#include "tools/convert_dialog.h"

#include "tools/batch_conversion.h"
#include "tools/conversion_names.h"
#include "tools/folder_files.h"
#include "ui/choosers.h"
#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/window_look.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace
{

QLabel* makeText(QWidget* parent, const QString& text, int top, int height)
{
    return wrappedLabel(parent, text, QRect(10, top, 440, height),
                        facePixels(QStringLiteral("Arial"), 11));
}

QLabel* makeNavyLabel(QWidget* parent, const QString& text, QRect place)
{
    auto* label = new QLabel(text, parent);
    label->setFont(facePixels(QStringLiteral("Arial"), 11, true));
    label->setStyleSheet(QStringLiteral("color: navy"));
    label->setGeometry(place);
    return label;
}

// Ends a run however it ends, also through a failure that reaches the error report, and closes
// the dialog when that was asked for during the run.
class RunGuard
{
public:
    RunGuard(bool& running, bool& closeWanted, QDialog& dialog)
        : running_(running), closeWanted_(closeWanted), dialog_(dialog)
    {
        running_ = true;
    }
    ~RunGuard()
    {
        running_ = false;
        if (closeWanted_)
            dialog_.done(QDialog::Rejected);
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    bool& running_;
    bool& closeWanted_;
    QDialog& dialog_;
};

} // namespace

TFrmconvert::TFrmconvert(QWidget* owner, Services services)
    : QDialog(owner, DialogTitleBar), services_(services)
{
    setWindowTitle(QStringLiteral("Convert Images"));
    setFixedSize(460, 337);
    fillBackground(*this, FormGray);
    buildInstructions();
    buildControls();
    connectHandler(services_.messages, BitBtn2, &QPushButton::clicked, this,
                   &TFrmconvert::BitBtn2Click);
    connectHandler(services_.messages, Button1, &QPushButton::clicked, this,
                   &TFrmconvert::Button1Click);
    connectHandler(services_.messages, BitBtn1, &QPushButton::clicked, this,
                   &TFrmconvert::BitBtn1Click);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmconvert::buildInstructions()
{
    Label4 = makeText(
        this,
        QStringLiteral("Use this window to convert images from bitmap to jpeg or convert from jpeg "
                       "to bitmap. You can select an entire folder, and convert all images in "
                       "that folder to the new format with one button click. All the old images "
                       "remain in the folder and are"),
        8, 44);
    Label3 = makeText(this,
                      QStringLiteral("not deleted, but the new images will be created in the same "
                                     "folder, with the same name (except with the new file "
                                     "extension). "),
                      52, 30);
    Label2 = makeText(
        this,
        QStringLiteral("If you are just converting 1 image, it is probably easiest to just do a "
                       "screen capture of the image, then save it in your new format. (use "
                       "previous window).  If you wish to convert many images, choose a folder by "
                       "clicking the button below,"),
        86, 44);
    Label1 = makeText(this, QStringLiteral("select your conversion type, and click \"Convert\"."),
                      130, 16);
}

void TFrmconvert::buildControls()
{
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon),
                              QStringLiteral("Select a Folder"), this);
    BitBtn2->setToolTip(QStringLiteral("Select any image in your folder of images."));
    BitBtn2->setGeometry(160, 154, 140, 26);
    BitBtn2->setAutoDefault(false);

    Label6 = makeNavyLabel(this, QStringLiteral("Drive and Folder:"), QRect(10, 190, 110, 22));
    Edfolder = new QLineEdit(this);
    // shown in capitals; the text itself keeps the folder's own letter case for the file system
    QFont capitals = Edfolder->font();
    capitals.setCapitalization(QFont::AllUppercase);
    Edfolder->setFont(capitals);
    Edfolder->setToolTip(
        QStringLiteral("Type in drive number and folder. Example: C:\\NETSCAPE\\PICS"));
    Edfolder->setGeometry(122, 190, 328, 22);

    Lblmsg = makeNavyLabel(this, QString(), QRect(10, 222, 170, 72));
    Lblmsg->setWordWrap(true);
    Lblmsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(188, 222, 200, 76);
    RadioButton1 = new QRadioButton(QStringLiteral("Convert BITMAP TO JPEG"), Panel1);
    RadioButton1->setGeometry(10, 6, 184, 20);
    RadioButton2 = new QRadioButton(QStringLiteral("Convert JPEG TO BITMAP"), Panel1);
    RadioButton2->setGeometry(10, 26, 184, 20);
    Button1 = new QPushButton(QStringLiteral("Convert!"), Panel1);
    Button1->setToolTip(QStringLiteral("Create new images in the format specified"));
    Button1->setGeometry(10, 48, 90, 22);
    Button1->setAutoDefault(false);

    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(32, 32));
    Image1->setGeometry(408, 232, 32, 32);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("Exit"), this);
    BitBtn1->setGeometry(375, 305, 75, 24);
    BitBtn1->setAutoDefault(false);
}

void TFrmconvert::FormCreate()
{
    ConvertedCount = 0;
    RadioButton1->setChecked(true);
    Edfolder->clear();
}

void TFrmconvert::done(int result)
{
    if (running_) {
        closeWanted_ = true;
        return;
    }
    QDialog::done(result);
}

void TFrmconvert::BitBtn2Click()
{
    OpenDialogSpec dialog{QStringLiteral("All (*.jpg *.jpeg *.bmp)"), QString(), QString(), true};
    const QString chosen = services_.choosers.openFile(dialog);
    if (!chosen.isEmpty())
        Edfolder->setText(folderOfFile(chosen));
}

void TFrmconvert::BitBtn1Click()
{
    close();
}

void TFrmconvert::Button1Click()
{
    if (running_)
        return; // the run under way goes on; a second one inside it would mix their counts
    const QString folder = Edfolder->text();
    if (!folderExists(folder)) {
        services_.messages.show(MessageKind::Warning,
                                QStringLiteral("The drive and folder path do not exist on your "
                                               "system. Please click the button above to select a "
                                               "drive and folder path."));
        return;
    }
    const RunGuard guard(running_, closeWanted_, *this);
    ConvertedCount = 0;
    if (RadioButton1->isChecked())
        ConvertFolder(folder + "/*.bmp", folder + "/*.jpg");
    else
        ConvertFolder(folder + "/*.jpg", folder + "/*.bmp");
    if (ConvertedCount == 0 || closeWanted_)
        return;
    services_.messages.show(
        MessageKind::Information,
        QString::number(ConvertedCount) +
            QStringLiteral(" images were successfully converted. The new images were created in "
                           "the same folder, and are the same names except for the file "
                           "extension, which is JPG for jpegs or BMP for bitmaps."));
    Lblmsg->setText(QStringLiteral("Converting Images -> ") + QString::number(ConvertedCount) +
                    QStringLiteral(" converted. Done with conversion."));
}

void TFrmconvert::ConvertFolder(const QString& sourcePattern, const QString& targetPattern)
{
    const QStringList sources = findSources(sourcePattern);
    if (sources.isEmpty()) {
        services_.messages.show(
            MessageKind::Information,
            QStringLiteral("There are no images in this folder with an extension type ") +
                patternExtension(sourcePattern) +
                QStringLiteral("  There is nothing to convert to ") +
                patternExtension(targetPattern) +
                QStringLiteral(". Make sure you have the correct folder containing the correct "
                               "file types you wish to convert."));
        return;
    }
    ConvertFiles(sourcePattern, targetPattern, sources,
                 [this](const ConversionResult& result) { return tellResult(result); });
}

bool TFrmconvert::tellResult(const ConversionResult& result)
{
    switch (result.outcome) {
    case ConversionResult::Outcome::Converted:
        ReportConverted();
        break;
    case ConversionResult::Outcome::TargetExists:
        showExistingTarget(result.target);
        break;
    case ConversionResult::Outcome::Failed:
        showNotConverted(result);
        break;
    }
    return !closeWanted_;
}

// The message keeps the dialog's own words and adds the reason, so that the person knows what to
// do about the file.
void TFrmconvert::showNotConverted(const ConversionResult& result)
{
    services_.messages.show(MessageKind::Warning,
                            QStringLiteral("File ") + result.source +
                                QStringLiteral(" was not converted because an error "
                                               "occurred.  This image cannot be converted.\n\n") +
                                result.reason);
}

void TFrmconvert::showExistingTarget(const QString& target)
{
    services_.messages.show(MessageKind::Information,
                            QStringLiteral("File ") + target +
                                QStringLiteral(" was not saved because this name already exists. "
                                               "To convert this file, make sure the name ") +
                                target + QStringLiteral(" does not already exist in this folder."));
}

void TFrmconvert::ReportConverted()
{
    ++ConvertedCount;
    Lblmsg->setText(QStringLiteral("Converting Images: ") + QString::number(ConvertedCount) +
                    QStringLiteral(" have been converted. Please be patient."));
    QApplication::processEvents();
}
