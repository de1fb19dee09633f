#include "output/paint_handoff.h"

#include "output/save_operations.h"
#include "platform/programs.h"
#include "ui/messages.h"

#include <QFileInfo>

void PassToPaintProgram(const QString& sourceTag, const PaintHandOff& handOff, Messages& messages)
{
    if (handOff.paintProgramPath.isEmpty() || !QFileInfo(handOff.paintProgramPath).isFile()) {
        messages.show(MessageKind::Information,
                      QStringLiteral("PC Paintbrush was not found in the default windows "
                                     "directory on your system. Please find and copy PC "
                                     "Paintbrush (pbrush.exe or mspaint.exe) into your windows "
                                     "directory on your system, then run this option again."));
        return;
    }
    const QString fileName = handOff.workDir + "/tempbitm.bmp";
    const QImage& picture =
        sourceTag == QLatin1String("MAINWINDOW") ? handOff.mainImage : handOff.workingPicture;
    SaveGraphicAs(picture, FileFormat::Bitmap, fileName);
    if (!platform::startProgram(handOff.paintProgramPath, fileName))
        messages.show(MessageKind::Plain,
                      QStringLiteral("You cannot view this file because you do not have a default "
                                     "Paintbrush application found on your computer."));
}
