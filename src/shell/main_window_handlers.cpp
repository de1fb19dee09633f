// The main window's capture and picture handlers.
#include "capture/delay_dialog.h"
#include "capture/stamp.h"
#include "capture/tick_counter.h"
#include "edit/gray_scale.h"
#include "output/clipboard.h"
#include "output/paint_handoff.h"
#include "output/printing.h"
#include "output/save_operations.h"
#include "platform/screen_capture.h"
#include "shell/main_window.h"
#include "tools/convert_dialog.h"
#include "tools/folder_listing_dialog.h"
#include "tools/web_pictures_loader.h"
#include "ui/messages.h"
#include "ui/picture_box.h"

#include <QCheckBox>
#include <QPrinter>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTimer>

#include <utility>

void TForm1::GrabScreen()
{
    QImage screen = platform::grabPrimaryScreen();
    // the main image keeps the size the screen had when the program started
    const QSize kept = Image1->picture().size();
    if (!kept.isEmpty() && screen.size() != kept)
        screen = platform::cutOut(screen, QRect(QPoint(), kept));
    StampDateTime(screen, screen.height(), ChkDate->isChecked(), ChkTime->isChecked(), Qt::red,
                  platform::screenPixels().scale);
    Image1->setPicture(screen);
    Image1->resize(Image1->sizeShowing(screen.size()));
    Image3->setPicture(screen);
}

void TForm1::showCaptureNotice(platform::CaptureNotice notice)
{
    switch (notice) {
    case platform::CaptureNotice::ScreenshotsRefused:
        services_.messages.show(
            MessageKind::Information,
            QStringLiteral(
                "This desktop refuses screenshots to applications: someone answered \"Deny\" "
                "when it asked before. Framegrove now asks through the desktop's own screenshot "
                "window instead, where you choose what to capture.\n\n"
                "To let applications take screenshots again, run this in a terminal, then answer "
                "\"Allow\" when the desktop asks next time:\n"
                "gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore "
                "--object-path /org/freedesktop/impl/portal/PermissionStore --method "
                "org.freedesktop.impl.portal.PermissionStore.DeletePermission screenshot "
                "screenshot ''"));
        break;
    }
}

void TForm1::armCaptureTimer(QTimer& timer, qint16 waitTicks)
{
    captureUnderWay_ = true;
    TimerTicks = 0;
    WaitTicks = waitTicks;
    hide();
    timer.start();
}

void TForm1::cmdcapClick()
{
    // hide two ticks before copying so that the screen can repaint what the window covered
    armCaptureTimer(*Timer1, 1);
}

void TForm1::Timer1Timer()
{
    if (!countTickAndCheckDue(TimerTicks, WaitTicks))
        return;
    Timer1->stop();
    const auto ended = qScopeGuard([this] { captureUnderWay_ = false; });
    const bool crop = std::exchange(cropAfterCapture_, false);
    auto showAgain = qScopeGuard([this] { show(); }); // also when the session refuses
    GrabScreen();
    if (crop) {
        showAgain.dismiss();
        cmdareaClick();
    }
}

void TForm1::Button3Click()
{
    TFrmmenus dialog(this, services_.messages);
    if (dialog.exec() != QDialog::Accepted)
        return;
    armCaptureTimer(*Timer1, static_cast<qint16>(dialog.EdSeconds->value()));
}

void TForm1::Button5Click()
{
    Image1->editPicture([](QImage& picture) { ConvertToGrayScale(&picture, &picture, 0); });
    Image3->setPicture(Image1->picture());
    services_.messages.show(
        MessageKind::Plain,
        QStringLiteral(
            "This screen capture image has now been successfully converted to a grayscale image."));
}

void TForm1::cmdexitClick()
{
    close();
}

void TForm1::cmdjpegClick()
{
    saves->SaveAsJpeg(Image1->picture());
}

void TForm1::cmdbitmClick()
{
    saves->SaveAsBitmap(Image1->picture());
}

void TForm1::Button7Click()
{
    saves->SaveAsPng(Image1->picture());
}

void TForm1::CmdclipClick()
{
    CopyPictureToClipboard(Image1->picture());
    services_.messages.show(MessageKind::Information,
                            QStringLiteral("Image has been copied into the windows clipboard. You "
                                           "may now paste it into any other application."));
}

void TForm1::cmdpassClick()
{
    PassToPaintProgram(QStringLiteral("MAINWINDOW"),
                       {PaintProgramPath, WorkDir, Image1->picture(), Image4}, services_.messages);
}

void TForm1::cmdprintClick()
{
    PrintImage(Image1->picture());
}

void TForm1::CmdConvertClick()
{
    TFrmconvert dialog(this, services_);
    dialog.exec();
}

void TForm1::Button4Click()
{
    TFrmprintfolder dialog(this, services_);
    dialog.exec();
}

void TForm1::CmdAllWebClick()
{
    openWebPictures(this, services_, findWebPicturesPlugin());
}
