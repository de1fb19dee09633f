#pragma once

#include "tools/picture_download.h"
#include "tools/web_pictures_tool.h"
#include "ui/services.h"

#include <QDialog>
#include <QListWidget>
#include <QNetworkAccessManager>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWebEngineView;

// A list whose horizontal scroll range is set from outside, in pixels.
class ResultList : public QListWidget
{
public:
    explicit ResultList(QWidget* parent);
    void addLine(const QString& line);
    void setHorizontalExtent(int pixels);

protected:
    void updateGeometries() override;

private:
    int extent_ = 0;
};

// Saves the GIF and JPG pictures of a web page into a folder: load the page in the small
// browser, choose the folder, download.
class TFrmAllWeb : public QDialog
{
    Q_OBJECT
    // how long a silent server is waited for, per picture
    Q_PROPERTY(int stallLimitMs READ stallLimitMs WRITE setStallLimitMs)
    // how long one picture, and all pictures of a page, may take
    Q_PROPERTY(int pictureLimitMs READ pictureLimitMs WRITE setPictureLimitMs)
    Q_PROPERTY(int runLimitMs READ runLimitMs WRITE setRunLimitMs)
    // the largest picture taken
    Q_PROPERTY(qint64 maxPictureBytes READ maxPictureBytes WRITE setMaxPictureBytes)
public:
    TFrmAllWeb(QWidget* owner, Services services);

    void FormCreate();
    void CmdLoadClick();
    void BitBtn2Click();
    void CmdDownloadClick();
    void FitListExtent();

    int stallLimitMs() const { return limits_.stallMs; }
    void setStallLimitMs(int ms) { limits_.stallMs = ms; }
    int pictureLimitMs() const { return limits_.pictureMs; }
    void setPictureLimitMs(int ms) { limits_.pictureMs = ms; }
    int runLimitMs() const { return limits_.runMs; }
    void setRunLimitMs(int ms) { limits_.runMs = ms; }
    qint64 maxPictureBytes() const { return limits_.maxBytes; }
    void setMaxPictureBytes(qint64 bytes) { limits_.maxBytes = bytes; }

    QLabel* Label1;
    QLabel* Label2;
    QGroupBox* GroupBox1;
    QLabel* Label3;
    QLineEdit* EdWebpage;
    QPushButton* CmdLoad;
    QLabel* Label4;
    QWebEngineView* WebBrowser2;
    QGroupBox* GroupBox2;
    QLabel* Label5;
    QLineEdit* Edfolder;
    QPushButton* BitBtn2;
    QPushButton* CmdDownload;
    ResultList* ListBox1;
    QPushButton* BitBtn1;
    QLabel* Image1;

public Q_SLOTS:
    // Closing during a download gives up the picture on its way and stops the run.
    void done(int result) override;

private:
    void buildStepOne();
    void buildStepTwo();
    void buildRightColumn();
    QStringList pageImageAddresses();
    void downloadAll(const QString& folder, const QStringList& addresses);

    Services services_;
    QNetworkAccessManager network_;
    DownloadLimits limits_;
    bool pageRequested_ = false;
    bool stopRequested_ = false;
};

// The plugin's face to the program.
class WebPicturesPlugin : public QObject, public WebPicturesTool
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID WebPicturesTool_iid)
    Q_INTERFACES(WebPicturesTool)
public:
    QDialog* createDialog(QWidget* owner, Services services) override;
};
