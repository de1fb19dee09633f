#include "edit/text_dialog.h"

#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/window_look.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

namespace
{

QGroupBox* makeGroup(QWidget* parent, const QString& caption, const QRect& place)
{
    auto* group = new QGroupBox(caption, parent);
    group->setGeometry(place);
    return group;
}

QRadioButton* makeRadio(QGroupBox* group, const char* name, const QString& caption, QPoint at,
                        int width = 200)
{
    auto* radio = new QRadioButton(caption, group);
    radio->setObjectName(QLatin1String(name));
    radio->setGeometry(at.x(), at.y(), width, 18);
    return radio;
}

// Blanks and control characters removed from both ends.
QString trimmedOfControls(const QString& text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

} // namespace

TFrmtext::TFrmtext(QWidget* owner, Messages& messages) : QDialog(owner), messages_(messages)
{
    setWindowTitle(QStringLiteral("Framegrove - Add Some Text"));
    resize(464, 383);

    Label1 = wrappedLabel(
        this,
        QStringLiteral("The text you enter below will be displayed on your cropped picture.  You "
                       "also have many options on how you want the text to appear.  Don't worry "
                       "if you make a mistake, as Framegrove returns you back to the unmarked "
                       "image whenever you enter this screen!"),
        QRect(12, 8, 440, 58));
    Edbox1 = new QLineEdit(this);
    Edbox1->setMaxLength(75);
    Edbox1->setGeometry(12, 70, 440, 24);
    Label1->setBuddy(Edbox1); // which also names the box to a screen reader

    GroupBox1 =
        makeGroup(this, QStringLiteral("Where should the text start?"), QRect(12, 102, 216, 108));
    radleft = makeRadio(GroupBox1, "radleft", QStringLiteral("Left side of the picture"), {10, 22});
    rad25 = makeRadio(GroupBox1, "rad25", QStringLiteral("1/4 way across the pictrue"), {10, 42});
    rad50 = makeRadio(GroupBox1, "rad50", QStringLiteral("1/2 way across the picture"), {10, 62});
    rad75 = makeRadio(GroupBox1, "rad75", QStringLiteral("3/4 way across the picture"), {10, 82});

    GroupBox2 =
        makeGroup(this, QStringLiteral("Where should the text be at?"), QRect(236, 102, 216, 108));
    radtop = makeRadio(GroupBox2, "radtop", QStringLiteral("Top of picture"), {10, 22});
    radmid = makeRadio(GroupBox2, "radmid", QStringLiteral("Middle of picture"), {10, 46});
    radbot = makeRadio(GroupBox2, "radbot", QStringLiteral("Bottom of picture"), {10, 70});

    GroupBox3 =
        makeGroup(this, QStringLiteral("What sized text do you want?"), QRect(12, 216, 216, 100));
    radsmall = makeRadio(GroupBox3, "radsmall", QStringLiteral(" Small"), {10, 22});
    radmedium = makeRadio(GroupBox3, "radmedium", QStringLiteral(" Medium"), {10, 46});
    radlarge = makeRadio(GroupBox3, "radlarge", QStringLiteral("Large"), {10, 70});

    GroupBox4 = makeGroup(this, QStringLiteral("What color text?"), QRect(236, 216, 216, 100));
    radred = makeRadio(GroupBox4, "radred", QStringLiteral("Red"), {10, 20}, 90);
    radblue = makeRadio(GroupBox4, "radblue", QStringLiteral("Blue"), {10, 40}, 90);
    radblack = makeRadio(GroupBox4, "radblack", QStringLiteral("Black"), {10, 60}, 90);
    radgreen = makeRadio(GroupBox4, "radgreen", QStringLiteral("Green"), {110, 20}, 90);
    radnavy = makeRadio(GroupBox4, "radnavy", QStringLiteral("Navy"), {110, 40}, 90);
    radaqua = makeRadio(GroupBox4, "radaqua", QStringLiteral("Aqua"), {110, 60}, 90);
    Chktransparent = new QCheckBox(QStringLiteral("Make Text Transparent"), GroupBox4);
    Chktransparent->setGeometry(10, 80, 196, 18);

    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setGeometry(266, 330, 88, 28);
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(QStringLiteral("Ok"), this);
    BitBtn2->setGeometry(364, 330, 88, 28);
    BitBtn2->setDefault(true);

    connectHandler(messages_, BitBtn1, &QPushButton::clicked, this, &TFrmtext::BitBtn1Click);
    connectHandler(messages_, BitBtn2, &QPushButton::clicked, this, &TFrmtext::BitBtn2Click);
    centreOnScreen(*this);
    FormCreate();
}

void TFrmtext::FormCreate()
{
    Chktransparent->setChecked(false);
    radblack->setChecked(true);
    radsmall->setChecked(true);
    rad25->setChecked(true);
    radbot->setChecked(true);
    Edbox1->clear();
}

void TFrmtext::BitBtn2Click()
{
    Edbox1->setText(trimmedOfControls(Edbox1->text()));
    if (Edbox1->text().isEmpty()) {
        messages_.show(MessageKind::Warning, QStringLiteral("You have not entered any text."));
        close();
        return;
    }
    TextSize = radsmall->isChecked() ? 8 : radmedium->isChecked() ? 10 : 12;
    if (radred->isChecked())
        TextColor = 0x0000FF;
    else if (radblue->isChecked())
        TextColor = 0xFF0000;
    else if (radblack->isChecked())
        TextColor = 0x000000;
    else if (radgreen->isChecked())
        TextColor = 0x008000;
    else if (radnavy->isChecked())
        TextColor = 0x800000;
    else
        TextColor = 0xFFFF00;
    close();
}

void TFrmtext::BitBtn1Click()
{
    Edbox1->clear();
    close();
}

void TFrmtext::showEvent(QShowEvent* event)
{
    // the glyphs come from the icon theme, which start-up should not wait for
    if (BitBtn1->icon().isNull()) {
        BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
        BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    }
    QDialog::showEvent(event);
    // typing goes into the text, whichever button was clicked last time
    Edbox1->setFocus();
}

void TFrmtext::keyPressEvent(QKeyEvent* event)
{
    // Escape presses Cancel, which also empties the text; the close box keeps it
    if (event->key() == Qt::Key_Escape) {
        BitBtn1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

Across TFrmtext::across() const
{
    if (radleft->isChecked())
        return Across::LeftSide;
    if (rad25->isChecked())
        return Across::Quarter;
    return rad50->isChecked() ? Across::Half : Across::ThreeQuarters;
}

Down TFrmtext::down() const
{
    if (radtop->isChecked())
        return Down::Top;
    return radmid->isChecked() ? Down::Middle : Down::Bottom;
}
