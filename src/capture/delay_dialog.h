#pragma once

#include <QDialog>

class Messages;
class QLabel;
class QPushButton;
class QSpinBox;

namespace umenus
{
// Whether "Start" was clicked in the last delay dialog.
inline bool DelayConfirmed = false;
} // namespace umenus

// The delayed-capture dialog: explains the delay and asks for the number of seconds.
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
