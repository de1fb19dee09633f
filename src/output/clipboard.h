#pragma once

#include <QImage>

// Replaces whatever the clipboard held with the picture. Throws std::runtime_error for an empty
// picture, leaving the clipboard as it was.
void CopyPictureToClipboard(const QImage& picture);
