#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

class Messages;
class PictureBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

// State shared by the main window and its dialogs, live from start-up to exit.
namespace utovrin
{
inline QString WindowsDir;       // the system's own folder
inline QString PaintProgramPath; // empty when no paint program was found
inline QString WorkDir;          // the per-user workspace folder
inline QString SettingsPath;     // the settings file in the workspace folder
inline qint32 StartWidth = 0, StartHeight = 0, StartLeft = 0, StartTop = 0;
inline qint16 TimerTicks = 0, WaitTicks = 0;
} // namespace utovrin

// The main window: the scrolling main image on the left, the button panel on the right.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(Messages& messages, QWidget* parent = nullptr);

    // Shows the window centred on the primary screen.
    void showCentred();

    void ArrangeControls();
    void GrabScreen();

    // handlers
    void cmdcapClick();
    void Timer1Timer();
    void Button3Click();
    void Button5Click();
    void cmdexitClick();

    QScrollArea* ScrollBox1;
    PictureBox* Image1; // the main image, as large as the primary screen
    PictureBox* Image3; // the hidden selection surface: a copy of the last capture
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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void buildPanel();
    void connectHandlers();
    void createWorkDir();
    void applyStoredSize();

    Messages& messages_;
};
