// The main window's help handlers: the two documents and the About window.
#include "help/about_window.h"
#include "help/documents.h"
#include "shell/main_window.h"

void TForm1::cmdhelplClick()
{
    OpenShippedDocument(
        QStringLiteral("readme.html"),
        QStringLiteral("You cannot view this file because you do not have a default web browser "
                       "setup. You can still view this file by opening your web browser and "
                       "pointing to the file readme.html which is located in your install "
                       "directory."),
        services_.messages);
}

void TForm1::Button2Click()
{
    OpenShippedDocument(
        QStringLiteral("download.html"),
        QStringLiteral("You cannot view this file because you do not have a default web browser "
                       "setup. You can still view this file by opening your web browser and "
                       "pointing to the file download.html which is located in your install "
                       "directory, or view online at ") +
            QStringLiteral(FG_HOMEPAGE),
        services_.messages);
}

void TForm1::Button1Click()
{
    frmdisc->exec();
}
