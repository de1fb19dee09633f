#include "capture/delay_dialog.h"
#include "ui/window_look.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>

namespace
{

QLabel* makeText(QWidget* parent, const QString& text, int top, int height)
{
    auto* label = new QLabel(text, parent);
    label->setFont(facePixels(QStringLiteral("Arial"), 11));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(10, top, 407, height);
    return label;
}

} // namespace

TFrmmenus::TFrmmenus(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Capture Pull Down Menus"));
    setFixedSize(427, 296);
    fillBackground(*this, FormGray);

    Label1 = makeText(
        this,
        QStringLiteral("Many times you may want to capture a picture of an application which "
                       "includes the \"pull down\" menus on the application, or maybe even "
                       "screensavers. Since these menus disappear immediately when you click any "
                       "button, this option of "),
        8, 58);
    Label2 = makeText(this,
                      QStringLiteral("Framegrove will do a delayed capture, allowing you to open "
                                     "any pulldown menus or activate a screensaver, etc., before "
                                     "the capture takes place!"),
                      68, 30);
    Label3 = makeText(
        this,
        QStringLiteral("Once you click \"Start\" below, this window will disappear, and there "
                       "will be a 10 second pause before the screen capture happens.  When this "
                       "window disappears, immediately pull up any \"pull down\" windows on the "
                       "application you want to "),
        104, 44);
    Label4 = makeText(
        this,
        QStringLiteral("capture and leave them displayed on your screen until the Framegrove "
                       "software pops back up with your picture.  You can then use all the "
                       "options with your new screen capture. Click \"Start\" to begin."),
        150, 44);

    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(126, 199, 75, 22);
    BitBtn2->setAutoDefault(false);
    cmdstart = new QPushButton(style()->standardIcon(QStyle::SP_DialogYesButton),
                               QStringLiteral("Start"), this);
    cmdstart->setGeometry(213, 199, 75, 22);
    cmdstart->setDefault(true);

    Label5 =
        new QLabel(QStringLiteral("Number of seconds to delay before capturing new screen:"), this);
    Label5->setFont(facePixels(QStringLiteral("Arial"), 11, true));
    Label5->setStyleSheet(QStringLiteral("color: navy"));
    Label5->setGeometry(10, 250, 340, 22);
    EdSeconds = new QSpinBox(this);
    EdSeconds->setRange(1, 360);
    EdSeconds->setGeometry(356, 250, 51, 22);

    connect(cmdstart, &QPushButton::clicked, this, &TFrmmenus::cmdstartClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrmmenus::BitBtn2Click);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmmenus::FormCreate()
{
    EdSeconds->setValue(10);
    umenus::DelayConfirmed = false;
}

void TFrmmenus::cmdstartClick()
{
    umenus::DelayConfirmed = true;
    close();
}

void TFrmmenus::BitBtn2Click()
{
    close();
}
