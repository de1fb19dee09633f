// The main window's capture and picture handlers.
#include "capture/stamp.h"
#include "capture/tick_counter.h"
#include "capture/umenus.h"
#include "edit/gray_scale.h"
#include "platform/platform.h"
#include "shell/messages.h"
#include "shell/picture_box.h"
#include "shell/utovrin.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTimer>

void TForm1::GrabScreen()
{
    QImage screen = platform::grabScreen(QRect(QPoint(0, 0), Image1->size()));
    StampDateTime(screen, Image1->height(), ChkDate->isChecked(), ChkTime->isChecked(), Qt::red);
    Image1->setPicture(screen);
    Image3->setPicture(screen);
}

void TForm1::cmdcapClick()
{
    // hide two ticks before copying so that the screen can repaint what the window covered
    utovrin::TimerTicks = 0;
    utovrin::WaitTicks = 1;
    hide();
    Timer1->start();
}

void TForm1::Timer1Timer()
{
    if (!countTickAndCheckDue(utovrin::TimerTicks, utovrin::WaitTicks))
        return;
    Timer1->stop();
    GrabScreen();
    show();
}

void TForm1::Button3Click()
{
    TFrmmenus dialog(this);
    dialog.exec();
    if (!umenus::DelayConfirmed)
        return;
    utovrin::TimerTicks = 0;
    utovrin::WaitTicks = static_cast<qint16>(dialog.EdSeconds->value());
    hide();
    Timer1->start();
}

void TForm1::Button5Click()
{
    Image1->editPicture([](QImage& picture) { ConvertToGrayScale(&picture, &picture, 0); });
    Image3->setPicture(Image1->picture());
    messages_.show(
        MessageKind::Plain,
        QStringLiteral(
            "This screen capture image has now been successfully converted to a grayscale image."));
}

void TForm1::cmdexitClick()
{
    close();
}
