#pragma once

#include <QString>

// A save-file dialog as the window defines it. It keeps the name last chosen in it for its
// next opening.
struct SaveDialogSpec {
    QString defaultSuffix; // added to a name typed without an extension
    QString fileName;      // the name the dialog opens with
    QString filter;        // "JPEG (*.jpg)"
    QString initialFolder;
    bool resizable = true;
};

// An open-file dialog as the window defines it.
struct OpenDialogSpec {
    QString filter;   // "All (*.jpg *.bmp)"
    QString fileName; // the name the dialog opens with
    QString initialFolder;
    bool resizable = true;
};

// The file and folder choosers, so that a test can answer them.
class FileChoosers
{
public:
    virtual ~FileChoosers() = default;
    // The full name chosen in a save dialog (asking before an existing file is overwritten), or
    // empty when the user cancels.
    virtual QString saveFile(SaveDialogSpec& dialog) = 0;
    // A folder chosen in a chooser titled `title` (folders of the file system only), without a
    // trailing separator, or empty when the user cancels.
    virtual QString chooseFolder(const QString& title) = 0;
    // The full name of an existing file chosen in an open dialog, or empty on cancel.
    virtual QString openFile(const OpenDialogSpec& dialog) = 0;
};

// The real dialogs.
class DialogChoosers : public FileChoosers
{
public:
    QString saveFile(SaveDialogSpec& dialog) override;
    QString chooseFolder(const QString& title) override;
    QString openFile(const OpenDialogSpec& dialog) override;
};
