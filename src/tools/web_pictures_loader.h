#pragma once

#include "ui/services.h"

#include <QString>

class QWidget;

// The web-pictures plugin beside the program (the build tree) or in the installed layout
// (framegrove/plugins in the library folder of the prefix); empty when it is in neither.
QString findWebPicturesPlugin();

// Loads the plugin at `pluginPath` (once) and shows its dialog modally. When the plugin or the
// browser it needs cannot be loaded, the user is told so and the program runs on.
void openWebPictures(QWidget* owner, Services services, const QString& pluginPath);
