#include "output/clipboard.h"

#include "output/picture_errors.h"

#include <QClipboard>
#include <QGuiApplication>

void CopyPictureToClipboard(const QImage& picture)
{
    requireNonEmpty(picture);
    QGuiApplication::clipboard()->setImage(picture);
}
