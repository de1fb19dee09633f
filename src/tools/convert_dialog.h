#pragma once

#include "ui/services.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QFrame;
struct ConversionResult;

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

    int ConvertedCount = 0;

private:
    void FormCreate();
    void buildInstructions();
    void buildControls();
    bool tellResult(const ConversionResult& result);
    void showExistingTarget(const QString& target);
    void showNotConverted(const ConversionResult& result);

    Services services_;
    bool running_ = false;
    bool closeWanted_ = false;
};
