// The web pictures tool is a plugin with a browser in it: loaded only when its button is
// pressed, and where it cannot be loaded or its browser cannot run, the reason is told and the
// program goes on.
#include "fg_test.h"
#include "shell/panel_layout.h"
#include "tools/web_pictures_loader.h"

#include <QDialog>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <unistd.h>

class TestWebPicturesLoading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void refusedBrowserLeavesTheProgramRunning();
    void missingPluginIsReported();
    void browserLoadedOnlyWhenAsked();

private:
    QTemporaryDir dir_;
};

// An answer whose dialog never opened (the refused browser's) still holds the finished test's
// locals; it must not answer the next test's dialog.
void TestWebPicturesLoading::cleanup()
{
    fgtest::cancelPendingAnswers();
}

// As root, the browser would refuse to start without its sandbox and end the whole program.
void TestWebPicturesLoading::refusedBrowserLeavesTheProgramRunning()
{
    if (geteuid() != 0)
        QSKIP("only the superuser's browser refuses");
    const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    const auto restore = qScopeGuard([&] { qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox); });
    bool opened = false;
    fgtest::answerWhenOpen<QDialog>([&](QDialog& dialog) {
        opened = true;
        dialog.reject();
    });
    openWebPictures(nullptr, fgtest::services(), FG_BUILD_DIR "/framegrove_web_pictures.so");
    QVERIFY(!opened);
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Warning);
    QCOMPARE(fgtest::appMessages().shown[0].text,
             QString("The web pictures tool cannot open: its web browser does not run for the "
                     "root user. Start Framegrove as an ordinary user to download the pictures "
                     "of a webpage."));
}

void TestWebPicturesLoading::missingPluginIsReported()
{
    QFile notAPlugin(dir_.filePath("plugin.so"));
    QVERIFY(notAPlugin.open(QIODevice::WriteOnly) && notAPlugin.write("private") > 0);
    notAPlugin.close();
    openWebPictures(nullptr, fgtest::services(), notAPlugin.fileName());
    QCOMPARE(fgtest::appMessages().shown.size(), 1);
    QCOMPARE(fgtest::appMessages().shown[0].kind, MessageKind::Warning);
    QVERIFY(fgtest::appMessages().shown[0].text.startsWith(
        "The web pictures tool could not be loaded (" + dir_.filePath("plugin.so")));
}

void TestWebPicturesLoading::browserLoadedOnlyWhenAsked()
{
    QProcess program;
    program.start(FG_PROGRAM);
    QVERIFY(program.waitForStarted());
    const QString window =
        fgtest::runPeer("xdotool", {"search", "--sync", "--onlyvisible", "--name",
                                    "Framegrove - Screen Capture and More"})
            .split('\n')
            .value(0);
    const auto browserMapped = [&] {
        QFile maps(QString("/proc/%1/maps").arg(program.processId()));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
    };
    QVERIFY(!browserMapped());
    // the button's middle, in the window's own pixels
    const PanelLayout layout = arrangePanel(756, 603, {156, 156, 156, 156});
    const QPoint button(layout.groupLefts[1] + 7 + 71, 2 + 136 + 9);
    fgtest::runPeer("xdotool", {"mousemove", "--window", window, QString::number(button.x()),
                                QString::number(button.y()), "click", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(browserMapped(), 20000);
    program.kill();
    program.waitForFinished();
}

FG_TEST_MAIN(TestWebPicturesLoading)
#include "test_web_pictures_loading.moc"
