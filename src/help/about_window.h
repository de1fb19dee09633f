#pragma once

#include <QDialog>

class Messages;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The About window: the program's name, version and licence, and the disclaimer. It lives for
// the whole run and is only shown and hidden.
class Tfrmdisc : public QDialog
{
    Q_OBJECT
public:
    Tfrmdisc(QWidget* owner, Messages& messages);

    void Button1Click();

    QFrame* Panel1;
    QLabel* Label1; // the notice
    QGroupBox* GroupBox1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* Button1;
};
