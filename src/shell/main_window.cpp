#include "shell/main_window.h"

#include "edit/action_dialog.h"
#include "edit/text_dialog.h"
#include "help/about_window.h"
#include "output/quality_dialog.h"
#include "output/save_operations.h"
#include "platform/programs.h"
#include "platform/screen_capture.h"
#include "platform/user_folders.h"
#include "shell/panel_layout.h"
#include "shell/settings_file.h"
#include "ui/handlers.h"
#include "ui/messages.h"
#include "ui/picture_box.h"
#include "ui/window_look.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace
{

const QString SettingsSection = QStringLiteral("form1");

QGroupBox* makeGroup(QWidget* parent, const QString& caption, int top, int height)
{
    auto* group = new QGroupBox(caption, parent);
    group->setFont(facePixels(QStringLiteral("Arial"), 12, true));
    group->setGeometry(0, top, 156, height);
    return group;
}

QPushButton* makeButton(QGroupBox* group, const QString& caption, const QString& hint, int top)
{
    auto* button = new QPushButton(caption, group);
    button->setFont(facePixels(QStringLiteral("Arial"), 11));
    button->setGeometry(7, top, 142, 18);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(true); // Enter clicks the focused button, as Space does
    return button;
}

QCheckBox* makeCheckBox(QGroupBox* group, const QString& caption, int top)
{
    auto* box = new QCheckBox(caption, group);
    QFont terminal(QStringLiteral("Terminal"));
    terminal.setStyleHint(QFont::TypeWriter);
    terminal.setPixelSize(8);
    terminal.setBold(true);
    box->setFont(terminal);
    box->setGeometry(7, top, 143, 17);
    return box;
}

} // namespace

TForm1::TForm1(Services services, QWidget* parent) : QWidget(parent), services_(services)
{
    // the screen as it was before this window, read while the window is being built
    platform::startGrabbingScreen(QRect(QPoint(0, 0), platform::primaryScreenSize()));
    setWindowTitle(QStringLiteral("Framegrove - Screen Capture and More"));
    fillBackground(*this, FormGray);
    resize(756, 603);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setGeometry(3, 8, 574, 584);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new PictureBox;
    ScrollBox1->setWidget(Image1);

    Image3 = new PictureBox(this);
    Image3->hide();

    Label1 = new QLabel(
        QStringLiteral(
            "Grab the edge of this window and stretch the size to view more of your image!"),
        this);
    Label1->setWordWrap(true);
    Label1->setFont(facePixels(QStringLiteral("Tahoma"), 11));
    Label1->setStyleSheet(QStringLiteral("color: navy"));
    Label1->setGeometry(0, 547, 149, 46);

    buildPanel();
    // never so small that the panel is cut off: its groups, with the margins the layout keeps
    // beside and under them
    const QRect panel = GroupBox2->geometry() | GroupBox1->geometry();
    setMinimumSize(panel.width() + 30, panel.bottom() + 1 + 10);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer_For_Top_Window = new QTimer(this);
    Timer_For_Top_Window->setInterval(1000);

    connectHandlers();
    platform::setCaptureNoticeHandler(
        [this](platform::CaptureNotice notice) { showCaptureNotice(notice); });
    FormCreate();
    createLastingWindows();
}

TForm1::~TForm1()
{
    platform::setCaptureNoticeHandler({});
}

void TForm1::createLastingWindows()
{
    frmcomp = new Tfrmcomp(this, services_.messages);
    saves = std::make_unique<SaveOperations>(services_.choosers, *frmcomp);
    frmdisc = new Tfrmdisc(this, services_.messages);
    Frmtext = new TFrmtext(this, services_.messages);
    Frmopt = new TFrmopt(this, {Image4, *Image1, *saves, PaintProgramPath, WorkDir}, *Frmtext,
                         services_);
}

void TForm1::buildPanel()
{
    GroupBox2 = makeGroup(this, QStringLiteral("Capture Options"), 2, 197);
    cmdcap = makeButton(GroupBox2, QStringLiteral("Capture New Screen"),
                        QStringLiteral("Capture the screen behind this window"), 16);
    cmdarea = makeButton(GroupBox2, QStringLiteral("Crop out an Area"),
                         QStringLiteral("Capture an area of the image"), 36);
    Cmdclip = makeButton(GroupBox2, QStringLiteral("Copy (For Pasting)"),
                         QStringLiteral("Copy the image to the windows clipboard"), 56);
    CmdTopWindow = makeButton(GroupBox2, QStringLiteral("Capture ONLY top window"),
                              QStringLiteral("Grab only the top window showing"), 76);
    Button3 =
        makeButton(GroupBox2, QStringLiteral("Delayed Capture"),
                   QStringLiteral("Allows capturing \"pull down\" menus on applications"), 96);
    Button5 = makeButton(GroupBox2, QStringLiteral("Make Gray Scale"),
                         QStringLiteral("Make the image gray scale"), 116);
    CmdAllWeb = makeButton(GroupBox2, QStringLiteral("Capture Webpage Images"),
                           QStringLiteral("Download and save all images from webpage"), 136);
    ChkDate = makeCheckBox(GroupBox2, QStringLiteral("Add Date on Capture"), 158);
    ChkTime = makeCheckBox(GroupBox2, QStringLiteral("Add Time on Capture"), 176);

    GroupBox3 = makeGroup(this, QStringLiteral("Save Options"), 202, 85);
    cmdjpeg = makeButton(GroupBox3, QStringLiteral("Save As Jpeg"),
                         QStringLiteral("Save the image as a jpeg format"), 18);
    cmdbitm = makeButton(GroupBox3, QStringLiteral("Save As Bitmap"),
                         QStringLiteral("Save the image as a bitmap format"), 40);
    Button7 = makeButton(GroupBox3, QStringLiteral("Save As Png"), QString(), 62);

    GroupBox4 = makeGroup(this, QStringLiteral("Misc Options"), 290, 107);
    cmdpass = makeButton(
        GroupBox4, QStringLiteral("Pass To Paintbrush"),
        QStringLiteral("Pass the image into PC Paintbrush for modifying or printing"), 16);
    cmdprint = makeButton(GroupBox4, QStringLiteral("Print"),
                          QStringLiteral("Print the image showing in the box"), 38);
    CmdConvert = makeButton(GroupBox4, QStringLiteral("Convert Images"),
                            QStringLiteral("Convert images to jpeg or bitmap formats"), 60);
    Button4 = makeButton(GroupBox4, QStringLiteral("Print Folder Contents"),
                         QStringLiteral("Select a folder and print all the filenames"), 82);

    GroupBox1 = makeGroup(this, QString(), 429, 109);
    Button2 = makeButton(GroupBox1, QStringLiteral("Software Downloads"),
                         QStringLiteral("Automatically download more software programs"), 14);
    cmdhelpl = makeButton(GroupBox1, QStringLiteral("Help"),
                          QStringLiteral("Help information for Framegrove"), 38);
    Button1 = makeButton(GroupBox1, QStringLiteral("About"), QString(), 62);
    cmdexit = makeButton(GroupBox1, QStringLiteral("Exit"),
                         QStringLiteral("Close this software program"), 86);
}

void TForm1::connectHandlers()
{
    const auto wire = [this](const auto* sender, auto signal, auto handler) {
        connectHandler(services_.messages, sender, signal, this, handler);
    };
    // a press that reaches a button of the hidden window (a click queued before it hid, an
    // accessibility action) must not start anything inside the capture under way
    const auto press = [this](const QPushButton* button, void (TForm1::*handler)()) {
        connectHandler(services_.messages, button, &QPushButton::clicked, this,
                       [handler](TForm1* window) {
                           if (!window->captureUnderWay_)
                               (window->*handler)();
                       });
    };
    press(cmdcap, &TForm1::cmdcapClick);
    press(Button3, &TForm1::Button3Click);
    press(Button5, &TForm1::Button5Click);
    press(cmdexit, &TForm1::cmdexitClick);
    wire(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    press(cmdjpeg, &TForm1::cmdjpegClick);
    press(cmdbitm, &TForm1::cmdbitmClick);
    press(Button7, &TForm1::Button7Click);
    press(Cmdclip, &TForm1::CmdclipClick);
    press(cmdpass, &TForm1::cmdpassClick);
    press(cmdprint, &TForm1::cmdprintClick);
    press(cmdarea, &TForm1::cmdareaClick);
    wire(Image3, &PictureBox::mousePressed, &TForm1::Image3MouseDown);
    wire(Image3, &PictureBox::mouseMoved, &TForm1::Image3MouseMove);
    wire(Image3, &PictureBox::mouseReleased, &TForm1::Image3MouseUp);
    press(CmdTopWindow, &TForm1::CmdTopWindowClick);
    wire(Timer_For_Top_Window, &QTimer::timeout, &TForm1::Timer_For_Top_WindowTimer);
    press(cmdhelpl, &TForm1::cmdhelplClick);
    press(Button2, &TForm1::Button2Click);
    press(Button1, &TForm1::Button1Click);
    press(CmdAllWeb, &TForm1::CmdAllWebClick);
    press(CmdConvert, &TForm1::CmdConvertClick);
    press(Button4, &TForm1::Button4Click);
}

void TForm1::FormCreate()
{
    WindowsDir = platform::systemFolder();
    PaintProgramPath = platform::findPaintProgram(WindowsDir);

    // the crop puts the window back here: the design size, centred
    centreOnScreen(*this);
    StartWidth = width();
    StartHeight = height();
    StartLeft = geometry().x();
    StartTop = geometry().y();

    const QString roaming = platform::roamingAppDataFolder();
    // the last-used folder is kept beside, not where a broken environment would put it
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, roaming);
    WorkDir = roaming + "/fgrove";
    createWorkDir();
    SettingsPath = WorkDir + "/SG_2.ini";
    applyStoredSize();
    ArrangeControls();
    // a session that refuses the picture is reported, and the program starts all the same
    runHandler(services_.messages, [this] { GrabScreen(); });
    if (Image1->picture().isNull()) {
        // a new drawing surface is white: that is what shows when the first capture is refused
        QImage blank(platform::primaryScreenSize(), QImage::Format_RGB32);
        blank.fill(Qt::white);
        Image1->setPicture(blank);
        Image1->resize(Image1->sizeShowing(blank.size()));
    }
}

void TForm1::createWorkDir()
{
    if (QDir(WorkDir).exists() || QDir().mkdir(WorkDir))
        return;
    services_.messages.show(
        MessageKind::Warning,
        QStringLiteral("Could not create a folder. Please right click this software "
                       "and choose the option to \"Run as Admin\" (only needs to be "
                       "done one time), as you currently do not have authority to "
                       "create a temp folder."));
}

void TForm1::applyStoredSize()
{
    // a size beyond the screen (a damaged file, another monitor) would put the window out of
    // reach and take its whole backing store in memory
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(INT_MAX, INT_MAX);
    if (const int width = ReadWindowWidth(SettingsSection, SettingsPath))
        resize(std::min(width, room.width()), height());
    if (const int height = ReadWindowHeight(SettingsSection, SettingsPath))
        resize(width(), std::min(height, room.height()));
}

void TForm1::ArrangeControls()
{
    const QList<QGroupBox*> groups = {GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    QList<int> widths;
    for (const QGroupBox* group : groups)
        widths.append(group->width());
    const QSize outer = outerSize();
    const PanelLayout layout = arrangePanel(outer.width(), outer.height(), widths);
    for (qsizetype i = 0; i < groups.size(); ++i)
        groups[i]->move(layout.groupLefts[i], groups[i]->y());
    ScrollBox1->resize(layout.scrollBoxWidth, layout.scrollBoxHeight);
    Label1->move(layout.labelLeft, Label1->y());
}

QSize TForm1::outerSize() const
{
    // the window manager's frame is known only once the window has been shown; until then the
    // window's own size stands for it
    return isVisible() ? frameGeometry().size() : size();
}

void TForm1::showCentred()
{
    centreOnScreen(*this);
    show();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void TForm1::moveEvent(QMoveEvent* event)
{
    // the window manager has framed the window, or changed its frame
    QWidget::moveEvent(event);
    ArrangeControls();
    keepFrameOnScreen();
}

void TForm1::keepFrameOnScreen()
{
    // a stored size as large as the screen is the window's own: its frame and title bar, known
    // only now, would push it past the screen's edge
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || inSelectionMode() || isMaximized() || isFullScreen() ||
        frameGeometry() == geometry())
        return;
    const QRect room = screen->availableGeometry();
    if (room.contains(frameGeometry()))
        return;
    resize(size().boundedTo(room.size() - (frameGeometry().size() - size())));
    move(room.center() - QRect(QPoint(0, 0), frameGeometry().size()).center());
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // a settings file that cannot be written must not keep the window open
    // closed while selecting, the window would have come back at its start size
    const QSize kept = inSelectionMode() ? QSize(StartWidth, StartHeight) : size();
    runHandler(services_.messages, [&] { SaveWindowSize(kept, SettingsSection, SettingsPath); });
    event->accept();
}
