#pragma once

#include "capture/capture_request.h"
#include "edit/selection.h"
#include "platform/screen_capture.h"
#include "ui/services.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>

class FileChoosers;
class Messages;
class PictureBox;
class SaveOperations;
class Tfrmcomp;
class Tfrmdisc;
class TFrmopt;
class TFrmtext;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

// The main window: the scrolling main image on the left, the button panel on the right.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(Services services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Shows the window centred on the primary screen.
    void showCentred();

    void ArrangeControls();
    void GrabScreen();
    // Tells the person what the session said while a capture goes on.
    void showCaptureNotice(platform::CaptureNotice notice);

    // handlers
    void cmdcapClick();
    void Timer1Timer();
    void Button3Click();
    void Button5Click();
    void cmdexitClick();
    void cmdjpegClick();
    void cmdbitmClick();
    void Button7Click();
    void CmdclipClick();
    void cmdpassClick();
    void cmdprintClick();
    void cmdareaClick();
    void EnterSelectionMode();
    void LeaveSelectionMode();
    void Image3MouseDown(QPoint at);
    void Image3MouseMove(QPoint at);
    void Image3MouseUp(QPoint at);
    void CmdTopWindowClick();
    void Timer_For_Top_WindowTimer();
    void GrabTopWindow();
    void TopWindowIntoDialog();

    // A capture asked for from outside the window: from the command line, or by a later start
    // that handed it over. Empty when it has been taken on, otherwise the reason it was refused.
    QString takeRequest(CaptureRequest request, int seconds);
    void cmdhelplClick();
    void Button2Click();
    void Button1Click();
    void CmdAllWebClick();
    void CmdConvertClick();
    void Button4Click();

    QScrollArea* ScrollBox1;
    PictureBox* Image1; // the main image, as large as the primary screen
    PictureBox* Image3; // the hidden selection surface: a copy of the last capture
    QImage Image4;      // the working picture: the last crop or top-window capture
    QLabel* Label1;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QGroupBox* GroupBox4;
    QPushButton* cmdcap;
    QPushButton* cmdarea;
    QPushButton* Cmdclip;
    QPushButton* CmdTopWindow;
    QPushButton* Button3;
    QPushButton* Button5;
    QPushButton* CmdAllWeb;
    QCheckBox* ChkDate;
    QCheckBox* ChkTime;
    QPushButton* cmdjpeg;
    QPushButton* cmdbitm;
    QPushButton* Button7;
    QPushButton* cmdpass;
    QPushButton* cmdprint;
    QPushButton* CmdConvert;
    QPushButton* Button4;
    QPushButton* Button2;
    QPushButton* cmdhelpl;
    QPushButton* Button1;
    QPushButton* cmdexit;
    QTimer* Timer1;
    QTimer* Timer_For_Top_Window;

    // the windows that live for the whole run
    Tfrmcomp* frmcomp;
    Tfrmdisc* frmdisc;
    TFrmtext* Frmtext;
    TFrmopt* Frmopt;
    std::unique_ptr<SaveOperations> saves; // the save dialogs and the JPEG holder

    // found at start-up, for the run
    QString PaintProgramPath; // empty when no paint program was found
    QString WorkDir;          // the per-user workspace folder
    QString SettingsPath;     // the settings file in the workspace folder
    // the size the crop puts the window back at: the design size
    qint32 StartWidth = 0, StartHeight = 0;
    qint16 TimerTicks = 0, WaitTicks = 0; // the capture timer's ticks, counted and to wait
    Edges TopWindowRect;                  // the last window captured alone, in screen pixels
    bool Selecting = false;               // the crop's rubber band is being dragged

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString WindowsDir;                 // the system's own folder
    qint32 StartLeft = 0, StartTop = 0; // where the crop puts the window back: centred
    // the rubber band of the crop
    Edges FocusRect; // as drawn: the press point and the last point tracked
    qint32 SelStartX = 0, SelStartY = 0, SelEndX = 0, SelEndY = 0;
    Edges Crop; // the area cut out, in the surface's pixels: right and bottom exclusive

    void FormCreate();
    void buildPanel();
    void connectHandlers();
    // Hides the window and starts `timer`, whose handler captures `waitTicks` ticks after its
    // first one, so that the screen has repainted what the window covered.
    void armCaptureTimer(QTimer& timer, qint16 waitTicks);
    void createWorkDir();
    void applyStoredSize();
    // Brings a framed window that reaches past the screen's free area back into it.
    void keepFrameOnScreen();
    void createLastingWindows();
    void drawBand();
    void restoreStartBounds();
    bool inSelectionMode() const;
    void showSelectionSurface();
    void cancelSelection();
    void giveFocusBackToCrop();
    QSize outerSize() const;

    // Busy: a capture under way, an area being cropped, or a dialog waiting for an answer.
    bool busy() const;

    Services services_;
    // From hiding the window or sending the request until the picture or the failure is shown:
    // through the ticks, the session's answer and any wait for the person in between. Requests
    // and button presses meanwhile are refused, or a second capture would run inside the first.
    bool captureUnderWay_ = false;
    bool cropAfterCapture_ = false; // the capture under way goes on into cropping an area
};
