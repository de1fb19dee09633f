#pragma once

#include "ui/services.h"

#include <QtPlugin>

class QDialog;
class QWidget;

// What the web-pictures plugin offers the program: the dialog, made on demand, so that the
// browser it holds is loaded only by those who open it.
class WebPicturesTool
{
public:
    virtual ~WebPicturesTool() = default;
    // A new web-pictures dialog owned by `owner`; the caller shows it and deletes it.
    virtual QDialog* createDialog(QWidget* owner, Services services) = 0;
};

#define WebPicturesTool_iid "org.kelmar.framegrove.WebPicturesTool/1"
Q_DECLARE_INTERFACE(WebPicturesTool, WebPicturesTool_iid)
