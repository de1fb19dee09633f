#include "fg_test.h"
#include "shell/main_window.h"
#include "ui/handlers.h"
#include "ui/picture_box.h"

#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <stdexcept>

namespace
{

// A handler that notes how far it came and fails half way when told to.
class Receiver : public QObject
{
public:
    void handle()
    {
        steps.append(QStringLiteral("started"));
        if (!failure.isEmpty())
            throw std::runtime_error(failure.toStdString());
        steps.append(QStringLiteral("finished"));
    }
    void handleAt(QPoint at)
    {
        point = at;
        handle();
    }

    QString failure;
    QStringList steps;
    QPoint point;
};

} // namespace

class TestHandlers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { fgtest::services(); }
    void failureStopsTheHandlerAndIsShownByIt_data();
    void failureStopsTheHandlerAndIsShownByIt();
    void mainWindowShowsItsHandlersFailures();
};

void TestHandlers::failureStopsTheHandlerAndIsShownByIt_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("steps");
    const QStringList stopped = {"started"};
    const QStringList whole = {"started", "finished"};
    QTest::newRow("button fails") << "button"
                                  << "Disk full" << stopped;
    QTest::newRow("button succeeds") << "button"
                                     << "" << whole;
    QTest::newRow("timer fails") << "timer"
                                 << "No picture" << stopped;
    QTest::newRow("mouse press fails") << "mouse"
                                       << "Out of reach" << stopped;
    QTest::newRow("mouse press succeeds") << "mouse"
                                          << "" << whole;
    QTest::newRow("bar without its argument") << "bar"
                                              << "Bad quality" << stopped;
    QTest::newRow("text beyond Latin-1") << "button"
                                         << "Žádný soubor – ✗" << stopped;
}

// The handler stops at the failing step and its own messages show the text: the application's
// last net (the test application's messages) never sees it, so it did not unwind through Qt.
void TestHandlers::failureStopsTheHandlerAndIsShownByIt()
{
    QFETCH(QString, source);
    QFETCH(QString, failure);
    QFETCH(QStringList, steps);
    fgtest::RecordingMessages handlerMessages;
    Receiver receiver;
    receiver.failure = failure;
    QWidget window;
    if (source == "button") {
        auto* button = new QPushButton(&window);
        connectHandler(handlerMessages, button, &QPushButton::clicked, &receiver,
                       &Receiver::handle);
        button->click();
    } else if (source == "timer") {
        QTimer timer;
        timer.setSingleShot(true);
        connectHandler(handlerMessages, &timer, &QTimer::timeout, &receiver, &Receiver::handle);
        QSignalSpy fired(&timer, &QTimer::timeout);
        timer.start(0);
        QVERIFY(fired.wait());
    } else if (source == "mouse") {
        auto* box = new PictureBox(&window);
        box->resize(40, 30);
        connectHandler(handlerMessages, box, &PictureBox::mousePressed, &receiver,
                       &Receiver::handleAt);
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(7, 9));
        QCOMPARE(receiver.point, QPoint(7, 9));
    } else {
        auto* bar = new QScrollBar(&window);
        connectHandler(handlerMessages, bar, &QScrollBar::valueChanged, &receiver,
                       &Receiver::handle);
        bar->setValue(5);
    }
    QCOMPARE(receiver.steps, steps);
    QCOMPARE(handlerMessages.shown.size(), failure.isEmpty() ? 0 : 1);
    if (!failure.isEmpty()) {
        QCOMPARE(handlerMessages.shown[0].kind, MessageKind::Error);
        QCOMPARE(handlerMessages.shown[0].text, failure);
    }
    QVERIFY(fgtest::appMessages().shown.isEmpty());
}

// A window's failing button reports through the window's own messages, not the last net.
void TestHandlers::mainWindowShowsItsHandlersFailures()
{
    fgtest::RecordingMessages windowMessages;
    TForm1 form({windowMessages, fgtest::appChoosers()});
    windowMessages.shown.clear();
    form.Image1->setPicture(QImage());
    QTemporaryDir dir;
    fgtest::appChoosers().answers = {dir.filePath("empty.bmp")};
    QTest::mouseClick(form.cmdbitm, Qt::LeftButton);
    QCOMPARE(windowMessages.shown.size(), 1);
    QCOMPARE(windowMessages.shown[0].kind, MessageKind::Error);
    QVERIFY(windowMessages.shown[0].text.contains("empty"));
    QVERIFY(fgtest::appMessages().shown.isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("empty.bmp")));
}

FG_TEST_MAIN(TestHandlers)
#include "test_handlers.moc"
