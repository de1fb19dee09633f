#include "capture/delay_dialog.h"
#include "capture/delay_seconds.h"
#include "ui/handlers.h"
#include "ui/window_look.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>

namespace
{

// A spin field that takes whatever is typed and reads it with secondsFromText, when Enter is
// pressed or the field loses the focus, instead of silently keeping the value it had.
class SecondsField : public QSpinBox
{
public:
    explicit SecondsField(QWidget* parent) : QSpinBox(parent)
    {
        setRange(FewestDelaySeconds, MostDelaySeconds);
    }

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString& text) const override { return secondsFromText(text); }
};

QLabel* makeText(QWidget* parent, const QString& text, int top, int height)
{
    return wrappedLabel(parent, text, QRect(10, top, 407, height),
                        facePixels(QStringLiteral("Arial"), 11));
}

} // namespace

TFrmmenus::TFrmmenus(QWidget* owner, Messages& messages) : QDialog(owner, DialogTitleBar)
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
    continueUnder(*Label2, *Label1);
    Label4 = makeText(
        this,
        QStringLiteral("capture and leave them displayed on your screen until the Framegrove "
                       "software pops back up with your picture.  You can then use all the "
                       "options with your new screen capture. Click \"Start\" to begin."),
        150, 44);
    continueUnder(*Label4, *Label3);

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
    EdSeconds = new SecondsField(this);
    EdSeconds->setGeometry(356, 250, 51, 22);
    Label5->setBuddy(EdSeconds); // which also names the field to a screen reader

    connectHandler(messages, cmdstart, &QPushButton::clicked, this, &TFrmmenus::cmdstartClick);
    connectHandler(messages, BitBtn2, &QPushButton::clicked, this, &TFrmmenus::BitBtn2Click);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmmenus::FormCreate()
{
    EdSeconds->setValue(10);
}

void TFrmmenus::cmdstartClick()
{
    accept();
}

void TFrmmenus::BitBtn2Click()
{
    reject();
}
