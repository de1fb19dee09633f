#pragma once

#include "output/picture_format.h"
#include "ui/choosers.h"

#include <QByteArray>
#include <QImage>

class Tfrmcomp;

// Writes a picture as a file of `format`, replacing any file there whole. Throws
// std::runtime_error for an empty picture or a file that cannot be written.
void SaveGraphicAs(const QImage& graphic, FileFormat format, const QString& fileName);

// The three ways of saving a picture through a save dialog, with the dialogs themselves. Each
// opens in the folder of the last save and stores the folder of the file it wrote.
class SaveOperations
{
public:
    SaveOperations(FileChoosers& choosers, Tfrmcomp& qualityDialog);

    // The JPEG quality the person chose in the quality dialog.
    int ShowJpegQualityDialog();
    void SaveAsJpeg(const QImage& source);
    void SaveAsBitmap(const QImage& source);
    void SaveAsPng(const QImage& source);

    SaveDialogSpec SaveDialog1; // bitmap
    SaveDialogSpec SaveDialog2; // JPEG
    SaveDialogSpec SaveDialog3; // PNG
    QByteArray Image2;          // the JPEG encoded last, held between encoding and writing
    QString LastUsedFolder;     // the stored last-used folder, as read before the last dialog

private:
    // The name chosen in `dialog` after it was pointed at the last-used folder; empty on cancel.
    QString askFileName(SaveDialogSpec& dialog);

    FileChoosers& choosers_;
    Tfrmcomp& qualityDialog_;
};
