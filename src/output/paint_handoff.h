#pragma once

#include <QImage>
#include <QString>

class Messages;

// What the hand-off to the paint program works with.
struct PaintHandOff {
    QString paintProgramPath; // empty when none was found
    QString workDir;          // where the temporary bitmap goes
    QImage mainImage;         // sent for the tag "MAINWINDOW"
    QImage workingPicture;    // sent for any other tag
};

// Writes the tagged picture to "tempbitm.bmp" in the workspace folder and opens it in the paint
// program, without waiting for it. A missing paint program or one that will not start is told
// to the user; a file that cannot be written throws std::runtime_error.
void PassToPaintProgram(const QString& sourceTag, const PaintHandOff& handOff, Messages& messages);
