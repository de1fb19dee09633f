#pragma once

#include <QDialog>

class Messages;
class QLabel;
class QPushButton;
class QSpinBox;

// The delayed-capture dialog: explains the delay and asks for the number of seconds. It ends
// accepted when "Start" was clicked.
class TFrmmenus : public QDialog
{
    Q_OBJECT
public:
    TFrmmenus(QWidget* owner, Messages& messages);

    void cmdstartClick();
    void BitBtn2Click();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QPushButton* BitBtn2;
    QPushButton* cmdstart;
    QSpinBox* EdSeconds;

private:
    void FormCreate();
};
