#include "ui/choosers.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QString DialogChoosers::saveFile(SaveDialogSpec& wanted)
{
    QFileDialog dialog(QApplication::activeWindow(), QString(), wanted.initialFolder,
                       wanted.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(wanted.defaultSuffix);
    dialog.setSizeGripEnabled(wanted.resizable);
    if (!wanted.fileName.isEmpty())
        dialog.selectFile(wanted.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString chosen = dialog.selectedFiles().constFirst(); // not const: returned by moving
    wanted.fileName = QFileInfo(chosen).fileName();
    return chosen;
}

QString DialogChoosers::chooseFolder(const QString& title)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, QString(),
                                             QFileDialog::ShowDirsOnly);
}

QString DialogChoosers::openFile(const OpenDialogSpec& wanted)
{
    QFileDialog dialog(QApplication::activeWindow(), QString(), wanted.initialFolder,
                       wanted.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setSizeGripEnabled(wanted.resizable);
    if (!wanted.fileName.isEmpty())
        dialog.selectFile(wanted.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
