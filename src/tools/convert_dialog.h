#pragma once

#include "ui/services.h"

#include <QByteArray>
#include <QDialog>
#include <QImage>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QFrame;

// The batch conversion dialog: every bitmap of a folder to JPEG, or every JPEG to bitmap, each
// new file beside its source. Created for one use and destroyed when it closes.
class TFrmconvert : public QDialog
{
    Q_OBJECT
public:
    TFrmconvert(QWidget* owner, Services services);

    void BitBtn2Click();
    void Button1Click();
    void BitBtn1Click();

    void ConvertFolder(const QString& sourcePattern, const QString& targetPattern);
    void ConvertOneFile(const QString& sourcePattern, const QString& targetPattern,
                        const QString& foundName);
    void ConvertBitmapToJpeg(const QString& target);
    void ConvertJpegToBitmap(const QString& target, const QString& source);
    void ReportConverted();

    // Closing while a run is under way stops the run after its current file; the dialog then
    // closes, so that it is never destroyed under the running loop.
    void done(int result) override;

    QLabel* Label4;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* Label1;
    QPushButton* BitBtn2;
    QLabel* Lblmsg;
    QLabel* Image1;
    QLabel* Label6;
    QLineEdit* Edfolder;
    QFrame* Panel1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QPushButton* Button1;
    QPushButton* BitBtn1;

    QImage Imagbmp;      // the bitmap being encoded or written
    QByteArray Imagjpeg; // the JPEG being written
    int ConvertedCount = 0;

private:
    void FormCreate();
    void buildInstructions();
    void buildControls();
    void showExistingTarget(const QString& target);
    void writeTarget(const QString& target, const QByteArray& bytes);

    Services services_;
    // kept from file to file, so that a run of pictures of one size takes no new memory
    QByteArray sourceBytes_;
    QByteArray targetBytes_;
    bool running_ = false;
    bool closeWanted_ = false;
};
