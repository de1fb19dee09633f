#pragma once

#include "output/jpeg_codec.h"

#include <QDialog>

class QGroupBox;
class Messages;
class QLabel;
class QPushButton;
class QScrollBar;

// The JPEG quality dialog. It lives for the whole run, so the bar stays where it was left.
class Tfrmcomp : public QDialog
{
    Q_OBJECT
public:
    Tfrmcomp(QWidget* owner, Messages& messages);

    // Runs the dialog; the quality its bar was left at.
    int askQuality();

    void ScrollBar1Change();
    void Button1Click();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QGroupBox* GroupBox1;
    QScrollBar* ScrollBar1;
    QLabel* Lblnumber;
    QLabel* Label4;
    QLabel* LblQuality;
    QLabel* Label7;
    QLabel* LblComp;
    QPushButton* Button1;
    int JpegQuality = StartingJpegQuality; // of the next save, 1 to 100; follows the bar

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
};
