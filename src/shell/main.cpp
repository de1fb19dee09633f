// Framegrove: grabs the screen and gets the picture out again.
#include "shell/main_window.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/messages.h"

int main(int argc, char** argv)
{
    BoxMessages messages;
    DialogChoosers choosers;
    FgApplication app(argc, argv, messages);
    TForm1 Form1({messages, choosers});
    Form1.showCentred();
    return app.exec();
}
