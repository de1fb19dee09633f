// One capture at a time: a request that arrives while a capture is under way (its ticks, the
// zero-timer road of the top window, the desktop's wait for the person) is turned away with the
// reason, and the capture under way ends as if nothing had come. The session is a Wayland one
// served by a stand-in screenshot portal on a private bus, which holds its answer until the test
// releases it.
#include "edit/action_dialog.h"
#include "fg_test.h"
#include "shell/main_window.h"
#include "stand_in_portal.h"
#include "ui/picture_box.h"

#include <QPushButton>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>

namespace
{

const QString Busy =
    "Framegrove is busy with another capture or an open window; finish that first.";

// When the second request comes.
enum class Wait {
    Ticks,     // the window has hidden and the capture timer counts
    ZeroTimer, // the top window is taken before the window was first shown
    Portal,    // the portal waits for the desktop, or for the person in its dialog
};

// A second request: one of the running program's, or a press on a button of the hidden window.
struct Second {
    std::optional<CaptureRequest> request;
    QPushButton* TForm1::*button = nullptr;
};

QRgb pixelAt(const QImage& picture)
{
    return picture.isNull() ? 0 : picture.pixel(5, 5) & 0xffffff;
}

} // namespace

Q_DECLARE_METATYPE(Wait)
Q_DECLARE_METATYPE(CaptureRequest)
Q_DECLARE_METATYPE(Second)

class TestOneCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void requestDuringCapture_data();
    void requestDuringCapture();
    void cleanup();

private:
    // The portal's next answer: a picture of one colour.
    void answer(QRgb colour);

    std::unique_ptr<fgtest::PrivateBus> bus_;
    QTemporaryDir folder_;
    QThread thread_;
    std::unique_ptr<fgtest::StandInPortal> portal_;
    std::function<void()> onAsked_;
};

void TestOneCapture::initTestCase()
{
    bus_ = std::make_unique<fgtest::PrivateBus>();
    QVERIFY(!bus_->address().isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address());
    // a Wayland session, as far as the capture is concerned: the screen comes from the portal
    qputenv("WAYLAND_DISPLAY", "framegrove-test-none");
    portal_ = std::make_unique<fgtest::StandInPortal>(QString::fromUtf8(bus_->address()));
    portal_->hold = true;
    portal_->script.file = folder_.filePath("shot.png");
    portal_->moveToThread(&thread_);
    thread_.start();
    QVERIFY(portal_->serve());
    connect(portal_.get(), &fgtest::StandInPortal::asked, this, [this] { onAsked_(); });
}

void TestOneCapture::cleanupTestCase()
{
    thread_.quit();
    thread_.wait();
    portal_.reset();
}

void TestOneCapture::cleanup()
{
    fgtest::cancelPendingAnswers();
}

void TestOneCapture::answer(QRgb colour)
{
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(colour);
    QVERIFY(picture.save(portal_->script.file, "PNG"));
    portal_->answerHeld();
}

void TestOneCapture::requestDuringCapture_data()
{
    QTest::addColumn<Wait>("wait");
    QTest::addColumn<CaptureRequest>("first");
    QTest::addColumn<Second>("second");
    const QList<std::pair<const char*, Second>> seconds = {
        {"Screen", {CaptureRequest::Screen}},
        {"Area", {CaptureRequest::Area}},
        {"Window", {CaptureRequest::Window}},
        {"Delay", {CaptureRequest::Delay}},
        {"top-window button", {{}, &TForm1::CmdTopWindow}},
        {"crop button", {{}, &TForm1::cmdarea}},
    };
    const QList<std::tuple<const char*, Wait, CaptureRequest>> firsts = {
        {"screen's ticks", Wait::Ticks, CaptureRequest::Screen},
        {"delay's ticks", Wait::Ticks, CaptureRequest::Delay},
        {"top window's ticks", Wait::Ticks, CaptureRequest::Window},
        {"zero timer of the top window before the first show", Wait::ZeroTimer,
         CaptureRequest::Window},
        {"portal's wait for the screen", Wait::Portal, CaptureRequest::Screen},
        {"portal's dialog for the top window", Wait::Portal, CaptureRequest::Window},
    };
    for (const auto& [during, wait, first] : firsts)
        for (const auto& [name, second] : seconds)
            QTest::addRow("%s during the %s", name, during) << wait << first << second;
}

void TestOneCapture::requestDuringCapture()
{
    QFETCH(Wait, wait);
    QFETCH(CaptureRequest, first);
    QFETCH(Second, second);
    onAsked_ = [this] { answer(qRgb(255, 0, 0)); }; // the capture at start
    TForm1 window(fgtest::services());
    window.Timer1->setInterval(10);
    window.Timer_For_Top_Window->setInterval(10);
    if (wait != Wait::ZeroTimer) {
        window.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    const int requestsBefore = portal_->requests;

    QString refusal = "not asked";
    const auto askAgain = [&] {
        if (second.request) {
            refusal = window.takeRequest(*second.request, 1);
            return;
        }
        QVERIFY(window.isHidden());
        (window.*second.button)->click();
        refusal = Busy; // ignored, as checked below by what comes of it
    };
    onAsked_ = [&] {
        if (wait == Wait::Portal)
            askAgain();
        answer(qRgb(0, 0, 255));
    };
    QImage dialogPicture; // the action dialog's, which a top window opens
    fgtest::answerWhenOpen<TFrmopt>([&](TFrmopt& dialog) {
        dialogPicture = dialog.Image3;
        dialog.close();
    });
    QCOMPARE(window.takeRequest(first, 1), QString());
    if (wait != Wait::Portal)
        askAgain();

    // the first capture ends with its own picture, and nothing of the second follows it
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible() && !QApplication::activeModalWidget(), 10000);
    QCOMPARE(refusal, Busy);
    QCOMPARE(portal_->requests, requestsBefore + 1);
    QCOMPARE(dialogPicture.isNull(), first != CaptureRequest::Window);
    QCOMPARE(pixelAt(first == CaptureRequest::Window ? dialogPicture : window.Image1->picture()),
             qRgb(0, 0, 255) & 0xffffff);
    QVERIFY(!window.Timer1->isActive());
    QVERIFY(!window.Timer_For_Top_Window->isActive());
    QVERIFY(window.Image3->isHidden());
    // no failure, no second dialog: only what the action dialog says when cancelled
    QStringList shown;
    for (const auto& message : fgtest::appMessages().shown)
        shown.append(message.text);
    QCOMPARE(shown, first == CaptureRequest::Window
                        ? QStringList{"You chose cancel. Nothing was done. "}
                        : QStringList());

    // and the next request is taken on again
    onAsked_ = [this] { answer(qRgb(0, 255, 0)); };
    QCOMPARE(window.takeRequest(CaptureRequest::Screen, 1), QString());
    QTRY_COMPARE_WITH_TIMEOUT(pixelAt(window.Image1->picture()), qRgb(0, 255, 0) & 0xffffff, 10000);
    QVERIFY(window.isVisible());
}

FG_TEST_MAIN(TestOneCapture)
#include "test_one_capture.moc"
