#include "shell/choosers.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QString DialogChoosers::saveFile(SaveDialogSpec& spec)
{
    QFileDialog dialog(QApplication::activeWindow(), QString(), spec.initialFolder, spec.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(spec.defaultSuffix);
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    dialog.setSizeGripEnabled(spec.resizable);
    if (!spec.fileName.isEmpty())
        dialog.selectFile(spec.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    spec.fileName = QFileInfo(chosen).fileName();
    return chosen;
}
