#include "output/save_operations.h"

#include "output/image_file.h"
#include "output/last_used_folder.h"
#include "output/picture_errors.h"
#include "output/quality_dialog.h"

#include <QDir>

namespace
{

// Save dialogs open in the home folder until a first save has been made.
SaveDialogSpec saveDialog(const QString& suffix, const QString& filter, bool resizable)
{
    return SaveDialogSpec{suffix, "*." + suffix, filter, QDir::homePath(), resizable};
}

// The quality a JPEG gets when no one chose one.
constexpr int DefaultJpegQuality = 90;

} // namespace

void SaveGraphicAs(const QImage& graphic, FileFormat format, const QString& fileName)
{
    requireNonEmpty(graphic);
    writeFileAtomically(fileName, encode(graphic, format, DefaultJpegQuality));
}

SaveOperations::SaveOperations(FileChoosers& choosers, Tfrmcomp& qualityDialog)
    : SaveDialog1(saveDialog(QStringLiteral("bmp"), QStringLiteral("Bitmap (*.bmp)"), false)),
      SaveDialog2(saveDialog(QStringLiteral("jpg"), QStringLiteral("JPEG (*.jpg)"), true)),
      SaveDialog3(saveDialog(QStringLiteral("png"), QStringLiteral("PNG (*.png)"), true)),
      choosers_(choosers), qualityDialog_(qualityDialog)
{
}

int SaveOperations::ShowJpegQualityDialog()
{
    return qualityDialog_.askQuality();
}

QString SaveOperations::askFileName(SaveDialogSpec& dialog)
{
    LastUsedFolder = ReadLastUsedFolder();
    if (!LastUsedFolder.isEmpty())
        dialog.initialFolder = LastUsedFolder;
    return choosers_.saveFile(dialog);
}

void SaveOperations::SaveAsJpeg(const QImage& source)
{
    requireNonEmpty(source); // before any dialog asks for what cannot be written
    // encoded at once, before the file name is asked for; written later as it is
    Image2 = encode(source, FileFormat::Jpeg, ShowJpegQualityDialog());
    const QString fileName = askFileName(SaveDialog2);
    if (fileName.isEmpty())
        return;
    writeFileAtomically(fileName, Image2);
    WriteLastUsedFolder(fileName);
}

void SaveOperations::SaveAsBitmap(const QImage& source)
{
    requireNonEmpty(source);
    const QString fileName = askFileName(SaveDialog1);
    if (fileName.isEmpty())
        return;
    SaveGraphicAs(source, FileFormat::Bitmap, fileName);
    WriteLastUsedFolder(fileName);
}

void SaveOperations::SaveAsPng(const QImage& source)
{
    requireNonEmpty(source);
    const QString fileName = askFileName(SaveDialog3);
    if (fileName.isEmpty())
        return;
    SaveGraphicAs(source, FileFormat::Png, fileName);
    WriteLastUsedFolder(fileName);
}
