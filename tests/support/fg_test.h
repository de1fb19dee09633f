#pragma once

#include "shell/application.h"
#include "shell/messages.h"

#include <QImage>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

// The messages every test application reports its escaped failures to.
RecordingMessages& appMessages();

// Gives the test its own home and settings folders, so that nothing of the person's own is
// read or written; called before the application object exists.
void isolateUserFolders();

// Runs a peer program and returns its standard output; fails the test when it fails.
QByteArray runPeer(const QString& program, const QStringList& arguments);

// The screen as ImageMagick's `import` sees it.
QImage importRootWindow();

// The first pixel where two pictures differ, as text, or empty when they are equal.
QString firstDifference(const QImage& actual, const QImage& expected);

} // namespace fgtest

#define FG_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        fgtest::isolateUserFolders();                                                              \
        FgApplication app(argc, argv, fgtest::appMessages());                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
