#pragma once

#include "edit/text_place.h"

#include <QDialog>

class Messages;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The add-text dialog. It lives for the whole run, so every choice stays for the next use.
class TFrmtext : public QDialog
{
    Q_OBJECT
public:
    TFrmtext(QWidget* owner, Messages& messages);

    void BitBtn1Click();
    void BitBtn2Click();

    Across across() const;
    Down down() const;

    QLabel* Label1;
    QLineEdit* Edbox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QGroupBox* GroupBox1;
    QRadioButton* radleft;
    QRadioButton* rad25;
    QRadioButton* rad50;
    QRadioButton* rad75;
    QGroupBox* GroupBox2;
    QRadioButton* radtop;
    QRadioButton* radmid;
    QRadioButton* radbot;
    QGroupBox* GroupBox3;
    QRadioButton* radsmall;
    QRadioButton* radmedium;
    QRadioButton* radlarge;
    QGroupBox* GroupBox4;
    QRadioButton* radred;
    QRadioButton* radblue;
    QRadioButton* radblack;
    QRadioButton* radgreen;
    QRadioButton* radnavy;
    QRadioButton* radaqua;
    QCheckBox* Chktransparent;
    // the answer of the last OK; before any, the face's own height in black
    qint32 TextSize = 0;  // points: 8, 10 or 12
    qint32 TextColor = 0; // 00BBGGRR

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();

    Messages& messages_;
};
