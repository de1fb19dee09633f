#pragma once

#include <QDialog>
#include <QImage>

#include "ui/services.h"

class PictureBox;
class SaveOperations;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class TFrmtext;

// What the dialog's choice is carried out on: the main window's pictures and save dialogs, and
// the folders found at start-up.
struct CropTarget {
    QImage& workingPicture;      // takes the picture shown when the dialog closes
    const PictureBox& mainImage; // handed to the paint program for the tag "MAINWINDOW"
    SaveOperations& saves;
    const QString& paintProgramPath; // empty when none was found
    const QString& workDir;
};

// The dialog that shows a cut-out or a captured window and asks what to do with it. It lives for
// the whole run, so the option picked last is picked again next time.
class TFrmopt : public QDialog
{
    Q_OBJECT
public:
    TFrmopt(QWidget* owner, CropTarget target, TFrmtext& textDialog, Services services);

    // Takes `picture` to show, in a box of `shownSize`, and as the unmarked copy that every text
    // starts from.
    void setPicture(const QImage& picture, QSize shownSize);
    // Runs the dialog; then the picture shown, text included, becomes the main window's working
    // picture and the picked option is carried out.
    void runWithWorkingPicture();

    void Button1Click();
    void cmdtextClick();
    // Carries out the picked option on the working picture of the main window.
    void ApplyCropOption();

    QScrollArea* ScrollBox1;
    PictureBox* Image1; // the picture shown and written on
    QImage Image3;      // the unmarked copy
    QLabel* Image2;     // decoration
    QLabel* Label2;
    QLabel* Label3;
    QLabel* LblEmpty; // says so when the picture is empty
    QGroupBox* GroupBox1;
    QRadioButton* OptionJ;
    QRadioButton* OptionB;
    QRadioButton* OptionPNG;
    QRadioButton* OptionP;
    QRadioButton* optionpr;
    QRadioButton* Optionclip;
    QRadioButton* OptionC;
    QPushButton* cmdtext;
    QPushButton* Button1;
    qint32 TextX = 0, TextY = 0; // where the last text's cell started, in picture pixels

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void buildOptions();

    CropTarget target_;
    QSize shownPixels_; // the picture's place as the window or area had it, in device pixels
    TFrmtext& textDialog_;
    Services services_;
};
