// Framegrove: grabs the screen and gets the picture out again.
#include "platform/clipboard_handoff.h"
#include "shell/main_window.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/messages.h"

#include <QIcon>

int main(int argc, char** argv)
{
    BoxMessages messages;
    DialogChoosers choosers;
    FgApplication app(argc, argv, messages);
    // the desktop's entry and icon for our windows, once installed
    QGuiApplication::setDesktopFileName(QStringLiteral(FG_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(FG_APP_ID)));
    TForm1 Form1({messages, choosers});
    Form1.showCentred();
    const int status = app.exec();
    platform::handClipboardToKeeper(); // what was copied stays pasteable after we have gone
    return status;
}
