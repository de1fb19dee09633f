#include "fg_test.h"
#include "output/last_used_folder.h"
#include "shell/main_window.h"
#include "shell/settings_file.h"
#include "ui/picture_box.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>

namespace
{

QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/fgrove/SG_2.ini";
}

void writeSettings(const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(settingsPath()).path());
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QByteArray readSettings()
{
    QFile file(settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void startsAtDesignSize();
    void storedSizeApplied_data();
    void storedSizeApplied();
    void resizeCloseRestart();
    void shrunkWindowShowsTheWholePanel();
    void closeKeepsOtherSettings();
    void unwritableSettingsStillCloses();
    void missingWorkspaceIsReported();
    void relativeConfigHomeIgnored();
    void grayScaleButton();
    void exitButtonCloses();
};

void TestMainWindow::init()
{
    fgtest::appMessages().shown.clear();
    QFile::remove(settingsPath());
}

void TestMainWindow::startsAtDesignSize()
{
    TForm1 form(fgtest::services());
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(756, 603));
    QCOMPARE(form.windowTitle(), QString("Framegrove - Screen Capture and More"));
    QCOMPARE(QGuiApplication::applicationName(), QString("Framegrove Screen Capture"));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QCOMPARE(form.Image1->size(), screen);
    QCOMPARE(form.Image1->picture().size(), screen);
    QCOMPARE(form.ScrollBox1->horizontalScrollBar()->maximum(),
             screen.width() - form.ScrollBox1->viewport()->width());
    QVERIFY(QDir(form.WorkDir).exists());
    QCOMPARE(form.SettingsPath, settingsPath());
    // laid out from the outer size once the window manager has framed the window, so that the
    // picture area fills the window as designed
    const QSize outer = form.frameGeometry().size();
    QVERIFY(outer.height() > 603);
    QTRY_COMPARE(form.GroupBox2->x(), outer.width() - 176);
    QCOMPARE(form.ScrollBox1->height(), outer.height() - 45);
    QVERIFY(form.Image3->isHidden());
    QVERIFY(fgtest::appMessages().shown.isEmpty());
    // centred on the screen
    QVERIFY(qAbs(form.geometry().center().x() - screen.width() / 2) <= 1);
}

void TestMainWindow::storedSizeApplied_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QSize>("size");
    QTest::newRow("both") << QByteArray("[form1]\nW=900\nH=700\n") << QSize(900, 700);
    QTest::newRow("W=abc keeps the design width")
        << QByteArray("[form1]\nW=abc\nH=650\n") << QSize(756, 650);
    QTest::newRow("W=0 changes only the height")
        << QByteArray("[form1]\nW=0\nH=640\n") << QSize(756, 640);
    QTest::newRow("only W") << QByteArray("[form1]\nW=810\n") << QSize(810, 603);
    QTest::newRow("other section") << QByteArray("[form2]\nW=810\nH=400\n") << QSize(756, 603);
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QTest::newRow("larger than the screen") << QByteArray("[form1]\nW=100000\nH=100000\n") << room;
    QTest::newRow("only the width too large")
        << QByteArray("[form1]\nW=100000\nH=560\n") << QSize(room.width(), 560);
    // the panel's groups stay whole: 156 wide with 30 beside, 538 high with 10 under
    QTest::newRow("smaller than the panel")
        << QByteArray("[form1]\nW=100\nH=300\n") << QSize(186, 548);
}

void TestMainWindow::storedSizeApplied()
{
    QFETCH(QByteArray, contents);
    QFETCH(QSize, size);
    writeSettings(contents);
    TForm1 form(fgtest::services());
    QCOMPARE(form.size(), size);
    // the crop returns to the size the window had before the stored one
    QCOMPARE(QSize(form.StartWidth, form.StartHeight), QSize(756, 603));
    // shown, the whole frame is on the screen, title bar included
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(form.frameGeometry() != form.geometry());
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_VERIFY2(room.contains(form.frameGeometry()),
                 qPrintable(QString("frame at %1,%2 %3x%4")
                                .arg(form.frameGeometry().x())
                                .arg(form.frameGeometry().y())
                                .arg(form.frameGeometry().width())
                                .arg(form.frameGeometry().height())));
    // the panel stands whole at the right, its groups lined up; the picture area fills the rest
    // of the window beside and above it, up to the panel and never under it
    QTRY_COMPARE(form.GroupBox1->x(), form.frameGeometry().width() - 176);
    for (const QGroupBox* group :
         {form.GroupBox1, form.GroupBox2, form.GroupBox3, form.GroupBox4}) {
        QCOMPARE(group->x(), form.GroupBox1->x());
        QVERIFY(group->geometry().right() < form.width());
    }
    const int gap = form.GroupBox1->x() - form.ScrollBox1->geometry().right();
    QVERIFY2(gap > 0 && gap <= 10, qPrintable(QString::number(gap)));
    QVERIFY(form.ScrollBox1->geometry().bottom() < form.height());
    QVERIFY(form.ScrollBox1->height() > 0);
    QCOMPARE(form.Label1->x(), form.GroupBox1->x() + 5);
}

void TestMainWindow::resizeCloseRestart()
{
    {
        TForm1 form(fgtest::services());
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QSize frame = form.frameGeometry().size() - form.size();
        form.resize(QSize(900, 700) - frame); // an outer size of 900 x 700
        QTRY_COMPARE(form.frameGeometry().size(), QSize(900, 700));
        for (QGroupBox* box : {form.GroupBox1, form.GroupBox2, form.GroupBox3, form.GroupBox4})
            QCOMPARE(box->x(), 724);
        QCOMPARE(form.ScrollBox1->width(), 714);
        QCOMPARE(form.ScrollBox1->height(), 655);
        QCOMPARE(form.Label1->x(), 729);
        QVERIFY(form.close());
    }
    // the window's own size is what is kept, so that it never grows from run to run
    const QSize kept(ReadWindowWidth("form1", settingsPath()),
                     ReadWindowHeight("form1", settingsPath()));
    TForm1 again(fgtest::services());
    QCOMPARE(again.size(), kept);
    again.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTRY_COMPARE(again.frameGeometry().size(), QSize(900, 700));
    QCOMPARE(again.GroupBox4->x(), 724);
}

// However small the user drags it, every button of the panel stays in the window, in its group
// and with its hint.
void TestMainWindow::shrunkWindowShowsTheWholePanel()
{
    struct PanelButton {
        const char* caption;
        const char* hint;
        const char* group;
    };
    const PanelButton panel[] = {
        {"Capture New Screen", "Capture the screen behind this window", "Capture Options"},
        {"Crop out an Area", "Capture an area of the image", "Capture Options"},
        {"Copy (For Pasting)", "Copy the image to the windows clipboard", "Capture Options"},
        {"Capture ONLY top window", "Grab only the top window showing", "Capture Options"},
        {"Delayed Capture", "Allows capturing \"pull down\" menus on applications",
         "Capture Options"},
        {"Make Gray Scale", "Make the image gray scale", "Capture Options"},
        {"Capture Webpage Images", "Download and save all images from webpage", "Capture Options"},
        {"Save As Jpeg", "Save the image as a jpeg format", "Save Options"},
        {"Save As Bitmap", "Save the image as a bitmap format", "Save Options"},
        {"Save As Png", "", "Save Options"},
        {"Pass To Paintbrush", "Pass the image into PC Paintbrush for modifying or printing",
         "Misc Options"},
        {"Print", "Print the image showing in the box", "Misc Options"},
        {"Convert Images", "Convert images to jpeg or bitmap formats", "Misc Options"},
        {"Print Folder Contents", "Select a folder and print all the filenames", "Misc Options"},
        {"Software Downloads", "Automatically download more software programs", ""},
        {"Help", "Help information for Framegrove", ""},
        {"About", "", ""},
        {"Exit", "Close this software program", ""},
    };
    TForm1 form(fgtest::services());
    form.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(40, 40);
    QTRY_COMPARE(form.size(), form.minimumSize());
    QList<QPushButton*> buttons;
    for (const QGroupBox* group : {form.GroupBox1, form.GroupBox2, form.GroupBox3, form.GroupBox4})
        buttons += group->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), std::size(panel));
    for (const PanelButton& expected : panel) {
        const auto found = std::find_if(buttons.begin(), buttons.end(), [&](QPushButton* b) {
            return b->text() == QLatin1String(expected.caption);
        });
        QVERIFY2(found != buttons.end(), expected.caption);
        const QPushButton* button = *found;
        QCOMPARE(button->toolTip(), QString(expected.hint));
        const auto* group = qobject_cast<QGroupBox*>(button->parentWidget());
        QVERIFY2(group, expected.caption);
        QCOMPARE(group->title(), QString(expected.group));
        QVERIFY2(form.rect().contains(QRect(button->mapTo(&form, QPoint(0, 0)), button->size())),
                 expected.caption);
    }
}

void TestMainWindow::closeKeepsOtherSettings()
{
    writeSettings("; my notes\r\n[colours]\r\nW=1\r\n[form1]\r\nH=9\r\nZoom=2\r\n");
    TForm1 form(fgtest::services());
    form.resize(800, 640);
    QVERIFY(form.close());
    QCOMPARE(readSettings(), QByteArray("; my notes\r\n[colours]\r\nW=1\r\n[form1]\r\nH=640\r\n"
                                        "Zoom=2\r\nW=800\r\n"));
}

void TestMainWindow::unwritableSettingsStillCloses()
{
    TForm1 form(fgtest::services());
    form.show();
    QVERIFY(QDir().mkpath(settingsPath())); // a folder where the file should be
    const bool closed = form.close();
    QDir(settingsPath()).removeRecursively();
    QVERIFY(closed);
    QVERIFY(!form.isVisible());
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].text, "Unable to write to " + settingsPath());
}

void TestMainWindow::missingWorkspaceIsReported()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir(config + "/fgrove").removeRecursively();
    QFile blocker(config + "/fgrove"); // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        TForm1 form(fgtest::services());
        QCOMPARE(form.size(), QSize(756, 603)); // start-up goes on
    }
    QFile::remove(config + "/fgrove");
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Warning);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("Could not create a folder. Please right click this software and choose the "
                     "option to \"Run as Admin\" (only needs to be done one time), as you "
                     "currently do not have authority to create a temp folder."));
}

void TestMainWindow::relativeConfigHomeIgnored()
{
    QTemporaryDir here;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(here.path()));
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "cfg");
    {
        TForm1 form(fgtest::services());
        QCOMPARE(form.WorkDir, QDir::homePath() + "/.config/fgrove");
        WriteLastUsedFolder("/shots/a.png");
    }
    qputenv("XDG_CONFIG_HOME", config);
    QDir::setCurrent(previous);
    QVERIFY(QFile::remove(QDir::homePath() + "/.config/Kelmar/Framegrove.conf"));
    QCOMPARE(QDir(here.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestMainWindow::grayScaleButton()
{
    TForm1 form(fgtest::services());
    QImage picture(form.Image1->size(), QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    picture.setPixel(0, picture.height() - 1, qRgb(0, 0, 200));
    picture.setPixel(10, 10, qRgb(0, 0, 200));
    form.Image1->setPicture(picture);
    QTest::mouseClick(form.Button5, Qt::LeftButton);
    const QImage gray = form.Image1->picture();
    QCOMPARE(gray.pixel(5, 5), qRgb(85, 85, 85));
    QCOMPARE(gray.pixel(10, 10), qRgb(0, 0, 200));
    QCOMPARE(form.Image3->picture(), gray);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Plain);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("This screen capture image has now been successfully converted to a "
                     "grayscale image."));
}

void TestMainWindow::exitButtonCloses()
{
    TForm1 form(fgtest::services());
    form.show();
    QTest::mouseClick(form.cmdexit, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(ReadWindowWidth("form1", settingsPath()), 756);
}

FG_TEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
