#include "edit/action_dialog.h"

#include "edit/text_cell.h"
#include "edit/text_dialog.h"
#include "output/clipboard.h"
#include "output/paint_handoff.h"
#include "output/picture_errors.h"
#include "output/printing.h"
#include "output/save_operations.h"
#include "platform/screen_capture.h"
#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/picture_box.h"
#include "ui/window_look.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>

namespace
{

// The small picture beside the texts: a cut-out lifted from a page.
QPixmap decoration()
{
    QPixmap picture(43, 31);
    picture.fill(QColor(224, 224, 224));
    QPainter painter(&picture);
    painter.setPen(Qt::gray);
    painter.setBrush(Qt::white);
    painter.drawRect(1, 4, 30, 25);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.setBrush(QColor(120, 170, 230));
    painter.drawRect(14, 1, 27, 19);
    return picture;
}

// The glyph of the add-text button: a capital letter on a pen stroke.
QIcon textGlyph()
{
    QPixmap glyph(20, 20);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::darkBlue);
    painter.drawText(glyph.rect(), Qt::AlignCenter, QStringLiteral("A"));
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLine(3, 18, 17, 18);
    return QIcon(glyph);
}

} // namespace

TFrmopt::TFrmopt(QWidget* owner, CropTarget target, TFrmtext& textDialog, Services services)
    : QDialog(owner, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      target_(target), textDialog_(textDialog), services_(services)
{
    setWindowTitle(QStringLiteral("Framegrove (Work with cropped image)"));
    resize(793, 450);
    fillBackground(*this, FormGray);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setGeometry(3, 2, 572, 439);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new PictureBox;
    ScrollBox1->setWidget(Image1);
    LblEmpty = wrappedLabel(this, QString::fromUtf8(EmptyPictureText), QRect(13, 12, 552, 40));
    LblEmpty->hide();

    Image2 = new QLabel(this);
    Image2->setPixmap(decoration());
    Image2->setGeometry(584, 8, 43, 31);
    Label2 = wrappedLabel(
        this, QStringLiteral("Here is your cropped image! (The box may be larger than the image)."),
        QRect(634, 6, 152, 48));
    Label3 = wrappedLabel(this,
                          QStringLiteral("Choose an option below, or click the button below to add "
                                         "text to your cropped image."),
                          QRect(584, 58, 202, 48));
    buildOptions();

    cmdtext = new QPushButton(textGlyph(), QStringLiteral("Add \"text\" on this image!"), this);
    cmdtext->setToolTip(QStringLiteral("Copy text message into the image."));
    cmdtext->setGeometry(584, 330, 202, 34);
    cmdtext->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setGeometry(646, 404, 80, 28);
    Button1->setDefault(true);

    connectHandler(services_.messages, cmdtext, &QPushButton::clicked, this,
                   &TFrmopt::cmdtextClick);
    connectHandler(services_.messages, Button1, &QPushButton::clicked, this,
                   &TFrmopt::Button1Click);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmopt::buildOptions()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Options"), this);
    GroupBox1->setGeometry(584, 112, 202, 206);
    const QFont arial = facePixels(QStringLiteral("Arial"), 11);
    const auto option = [this, &arial](const QString& caption, int top) {
        auto* radio = new QRadioButton(caption, GroupBox1);
        radio->setFont(arial);
        radio->setGeometry(6, top, 194, 22);
        return radio;
    };
    OptionJ = option(QStringLiteral("Save as JPEG"), 24);
    OptionB = option(QStringLiteral("Save as BITMAP"), 48);
    OptionPNG = option(QStringLiteral("Save as PNG"), 72);
    OptionP = option(QStringLiteral("Pass into PC Paintbrush/Print"), 96);
    optionpr = option(QStringLiteral("Print"), 120);
    Optionclip = option(QStringLiteral("Copy (So you can paste elsewhere)"), 144);
    OptionC = option(QStringLiteral("Cancel and Return"), 168);
}

void TFrmopt::FormCreate()
{
    OptionC->setChecked(true);
}

void TFrmopt::setPicture(const QImage& picture, QSize shownSize)
{
    Image1->setPicture(picture);
    Image1->resize(Image1->sizeShowing(shownSize));
    shownPixels_ = shownSize;
    Image3 = picture;
    // an empty cut-out would show as nothing at all
    LblEmpty->setVisible(picture.isNull() || picture.width() == 0 || picture.height() == 0);
}

void TFrmopt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    for (QRadioButton* option : GroupBox1->findChildren<QRadioButton*>())
        if (option->isChecked())
            option->setFocus();
}

void TFrmopt::runWithWorkingPicture()
{
    exec();
    target_.workingPicture = Image1->picture(); // text written here reaches every output
    ApplyCropOption();
}

void TFrmopt::Button1Click()
{
    close();
}

void TFrmopt::cmdtextClick()
{
    // every text starts from the unmarked picture, even when this one is then cancelled
    Image1->setPicture(Image3);
    textDialog_.exec();
    const QString text = textDialog_.Edbox1->text();
    if (text.isEmpty())
        return;
    const QPoint start = textStart(shownPixels_.width(), shownPixels_.height(),
                                   textDialog_.across(), textDialog_.down());
    TextX = start.x();
    TextY = start.y();
    const bool opaque = !textDialog_.Chktransparent->isChecked();
    Image1->editPicture([&](QImage& picture) {
        drawTextCell(picture, start, text,
                     surfaceFont(textDialog_.TextSize, platform::screenPixels().scale),
                     colourFromBgr(textDialog_.TextColor), opaque);
    });
}

void TFrmopt::ApplyCropOption()
{
    SaveOperations& saves = target_.saves;
    if (OptionJ->isChecked()) {
        saves.SaveAsJpeg(target_.workingPicture);
    } else if (OptionB->isChecked()) {
        saves.SaveAsBitmap(target_.workingPicture);
    } else if (OptionPNG->isChecked()) {
        saves.SaveAsPng(target_.workingPicture);
    } else if (OptionP->isChecked()) {
        if (QFileInfo(target_.paintProgramPath).isFile())
            PassToPaintProgram(QStringLiteral("CROPWINDOW"),
                               {target_.paintProgramPath, target_.workDir,
                                target_.mainImage.picture(), target_.workingPicture},
                               services_.messages);
        else
            services_.messages.show(
                MessageKind::Information,
                QStringLiteral("PC Paintbrush was not found in the default windows directory on "
                               "your system. Please find and copy the file mspaint.exe or "
                               "pbrush.exe (PC Paintbrush) into your windows directory on your "
                               "system."));
    } else if (optionpr->isChecked()) {
        PrintImage(Image1->picture());
    } else if (Optionclip->isChecked()) {
        CopyPictureToClipboard(Image1->picture());
        services_.messages.show(MessageKind::Information,
                                QStringLiteral("This is now copied into your clipboard. You can "
                                               "paste it into any other application."));
    } else {
        services_.messages.show(MessageKind::Question,
                                QStringLiteral("You chose cancel. Nothing was done. "));
    }
}
