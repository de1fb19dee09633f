#pragma once

#include "ui/services.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The folder listing dialog: prints the names of the files in one folder on the default printer,
// sorted or in the file system's order. Created for one use and destroyed when it closes.
class TFrmprintfolder : public QDialog
{
    Q_OBJECT
public:
    TFrmprintfolder(QWidget* owner, Services services);

    void CmdselectClick();
    void CmdprintClick();

    QLabel* Label1;
    QLineEdit* Edpath;
    QPushButton* Cmdselect;
    QPushButton* Cmdprint;
    QGroupBox* GroupBox1;
    QRadioButton* Radunsorted;
    QRadioButton* Radsorted;
    QPushButton* BitBtn2;
    QLabel* Image1;

private:
    void FormCreate();

    Services services_;
};
