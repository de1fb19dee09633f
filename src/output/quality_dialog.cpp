#include "output/quality_dialog.h"
#include "ui/handlers.h"
#include "ui/window_look.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace
{

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

} // namespace

Tfrmcomp::Tfrmcomp(QWidget* owner, Messages& messages)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                         Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Framegrove JPEG Compression Level"));
    resize(439, 358);
    fillBackground(*this, FormGray);

    Label1 =
        wrappedLabel(this,
                     QStringLiteral("A nice advantage of this software is that it allows you to "
                                    "save images in the popular JPEG format, and also allows you "
                                    "to choose a compression level.  JPEG images are all "
                                    "compressed (made smaller), and are very popular because "
                                    "they save space."),
                     QRect(12, 10, 415, 64));
    Label2 =
        wrappedLabel(this,
                     QStringLiteral("Choose a compression option below for saving your JPEG "
                                    "image.  Choosing \"10\" means that the saved image will be "
                                    "very small in size, but the image will be lower in "
                                    "quality.  Choosing \"100\" will make the saved image a "
                                    "little larger in size, but will make"),
                     QRect(12, 78, 415, 64));
    Label3 =
        wrappedLabel(this,
                     QStringLiteral("the quality of the image much better.  \"75\" is the "
                                    "recommended default chosen below, but feel free to try the "
                                    "different compression levels if you would like to make "
                                    "your stored images even smaller, or if you would like to "
                                    "adjust the image quality level."),
                     QRect(12, 142, 415, 64));
    continueUnder(*Label3, *Label2);

    GroupBox1 = new QGroupBox(QStringLiteral("JPEG Compression Options"), this);
    GroupBox1->setGeometry(40, 212, 359, 104);
    ScrollBar1 = new QScrollBar(Qt::Horizontal, GroupBox1);
    ScrollBar1->setRange(1, 100);
    ScrollBar1->setPageStep(1);
    ScrollBar1->setSingleStep(1);
    ScrollBar1->setGeometry(16, 24, 327, 18);
    // the quality can be chosen from the keyboard: arrows and Page Up/Down move the bar
    ScrollBar1->setFocusPolicy(Qt::StrongFocus);
    ScrollBar1->setInvertedControls(false); // Right and Page Up raise the quality
    ScrollBar1->setAccessibleName(GroupBox1->title());
    Lblnumber = makeLabel(GroupBox1, QString(), QRect(160, 46, 40, 16));
    Lblnumber->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label4 = makeLabel(GroupBox1, QStringLiteral("Quality ->"), QRect(16, 76, 64, 16));
    LblQuality = makeLabel(GroupBox1, QString(), QRect(82, 76, 60, 16));
    Label7 = makeLabel(GroupBox1, QStringLiteral("Compression ->"), QRect(188, 76, 96, 16));
    LblComp = makeLabel(GroupBox1, QString(), QRect(286, 76, 60, 16));

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setGeometry(344, 324, 75, 25);
    Button1->setDefault(true);

    connectHandler(messages, ScrollBar1, &QScrollBar::valueChanged, this,
                   &Tfrmcomp::ScrollBar1Change);
    connectHandler(messages, Button1, &QPushButton::clicked, this, &Tfrmcomp::Button1Click);
    centreOnScreen(*this);
    FormCreate();
}

void Tfrmcomp::FormCreate()
{
    // starts where a person starts, not at the 75 that the text above names
    ScrollBar1->setValue(StartingJpegQuality);
    ScrollBar1Change();
}

void Tfrmcomp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ScrollBar1->setFocus();
}

int Tfrmcomp::askQuality()
{
    exec();
    return JpegQuality;
}

void Tfrmcomp::ScrollBar1Change()
{
    const int position = ScrollBar1->value();
    Lblnumber->setText(QString::number(position));
    if (position >= 75) {
        LblQuality->setText(QStringLiteral("High"));
        LblComp->setText(QStringLiteral("Low"));
    } else if (position >= 50) {
        LblQuality->setText(QStringLiteral("Medium"));
        LblComp->setText(QStringLiteral("Medium"));
    } else {
        LblQuality->setText(QStringLiteral("Low"));
        LblComp->setText(QStringLiteral("High"));
    }
    JpegQuality = position;
}

void Tfrmcomp::Button1Click()
{
    close();
}
