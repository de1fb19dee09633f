#pragma once

#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/messages.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace fgtest
{

// Records every message instead of showing it; each one is answered with OK.
class RecordingMessages : public Messages
{
public:
    struct Shown {
        MessageKind kind;
        QString text;
    };
    void show(MessageKind kind, const QString& text) override { shown.append({kind, text}); }
    QList<Shown> shown;
};

// Answers save and open dialogs and folder choosers from a script: each takes the next answer, an
// empty one (or none left) cancels. Records how each was set up when it opened.
class ScriptedChoosers : public FileChoosers
{
public:
    QString saveFile(SaveDialogSpec& dialog) override
    {
        asked.append(dialog);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString chooseFolder(const QString& title) override
    {
        folderTitles.append(title);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString openFile(const OpenDialogSpec& dialog) override
    {
        askedOpen.append(dialog);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
    QList<SaveDialogSpec> asked;
    QStringList folderTitles;
    QList<OpenDialogSpec> askedOpen;
};

// The messages every test application reports its escaped failures to.
RecordingMessages& appMessages();
ScriptedChoosers& appChoosers();

// The recorders above as the windows' services; clears what they recorded before.
Services services();

// Gives the test its own home and settings folders, so that nothing of the person's own is
// read or written; called before the application object exists.
void isolateUserFolders();

// A session bus of the test's own, for it and the programs it starts, ended with the test. It
// starts the services of `services` (file name -> the service file's text) and none of the
// person's.
class PrivateBus
{
public:
    explicit PrivateBus(const QMap<QString, QByteArray>& services = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // empty when the bus did not start
    QByteArray address() const { return address_; }

private:
    // a bus address cannot name a folder with spaces, as the application's name has
    QTemporaryDir folder_{QDir::tempPath() + "/fg-bus-XXXXXX"};
    QProcess daemon_;
    QByteArray address_;
};

// How a program run to its end ended: its status (-1 when it crashed or hung) and streams.
struct Run {
    int status = -1;
    QByteArray output, error;
};

// Runs the program to its end, the event loop turning meanwhile so that it can be answered;
// `arrange` sets up its standard streams. A program that has not ended after two minutes hangs.
Run runProgram(const QString& path, const QStringList& arguments,
               const std::function<void(QProcess&)>& arrange = {});

// Runs a peer program and returns its standard output; fails the test when it fails.
QByteArray runPeer(const QString& program, const QStringList& arguments);

// The screen as ImageMagick's `import` sees it.
QImage importRootWindow();

// Waits until the X screen shows `window` as it paints itself, so that a capture taken next
// sees it; false when that has not happened within 5 seconds.
bool waitUntilOnScreen(QWidget& window);

// How many pixels of the stamp's place (25 pixels above the bottom, 15 in from the left) are
// the stamp's red.
int redStampPixels(const QImage& picture);

// The first pixel where two pictures differ, as text, or empty when they are equal.
QString firstDifference(const QImage& actual, const QImage& expected);

// Runs `answer` on the dialog of type Dialog as soon as it is open and modal (checked every few
// milliseconds from the event loop, so it also works for dialogs opened deep inside a handler).
// Answers still waiting belong to this object; cancelPendingAnswers() ends them, so that an answer
// meant for one test never meets the next test's dialog.
QObject& pendingAnswers();
void cancelPendingAnswers();

template <typename Dialog> void answerWhenOpen(std::function<void(Dialog&)> answer)
{
    auto* poll = new QTimer(&pendingAnswers());
    poll->setInterval(20);
    QTimer::singleShot(30000, poll, &QObject::deleteLater); // never opened: give up
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        const QPointer<Dialog> open(dialog);
        answer(*dialog);
        // a check that failed in the answer left it early: the dialog is closed all the same, so
        // that its modal loop ends and the failure shows instead of a hang until the timeout
        if (open && open->isVisible() && QTest::currentTestFailed())
            open->close();
    });
    poll->start();
}

} // namespace fgtest

#define FG_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        fgtest::isolateUserFolders();                                                              \
        FgApplication app(argc, argv, fgtest::appMessages());                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
