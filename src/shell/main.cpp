// Framegrove: grabs the screen and gets the picture out again.
#include "platform/clipboard_handoff.h"
#include "platform/running_instance.h"
#include "platform/standard_streams.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/windowless_capture.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/handlers.h"
#include "ui/messages.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>

namespace
{

// how long a start by the session bus waits for the request it was started for
constexpr int ActivationWaitMs = 25000;

QStringList argumentsAfterName(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int exitAtOnce(const ImmediateExit& exit)
{
    std::fputs(exit.standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(exit.standardError.toLocal8Bit().constData(), stderr);
    // help that did not arrive whole is no success
    if (std::fflush(stdout) != 0 && exit.status == 0)
        return FailedStatus;
    return exit.status;
}

int runWithoutWindows(int argc, char** argv, const CommandLine& line)
{
    ErrorLines messages;
    FgApplication app(argc, argv, messages);
    const int status = runWindowless(line);
    if (status != 0 || line.destination != Destination::Clipboard)
        return status;
    // what was copied stays pasteable after we have gone, or we did not do what was asked
    const platform::ClipboardHandOver handOver = platform::handClipboardToKeeper();
    if (handOver.kept)
        return 0;
    messages.show(MessageKind::Error, handOver.reason);
    return FailedStatus;
}

// The main window, started plainly, for a request of the command line, or by the session bus.
int runWindows(FgApplication& app, const CommandLine& line, Services services)
{
    // the desktop's entry and icon for our windows, once installed
    QGuiApplication::setDesktopFileName(QStringLiteral(FG_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(FG_APP_ID)));
    TForm1 Form1(services);
    bool served = false;
    // a request that fails on its way is shown here, and the start that made it hears of it
    const auto serve = [&](platform::CaptureRequest request, int seconds) {
        served = true;
        QString refusal = QStringLiteral("the running Framegrove failed to start the capture");
        runHandler(services.messages, [&] { refusal = Form1.takeRequest(request, seconds); });
        return refusal;
    };
    std::unique_ptr<platform::InstanceName> name;
    if (line.activated) {
        name = platform::claimInstanceName(serve);
        if (!name)
            return 0; // another start took the name first and serves the request
        QTimer::singleShot(ActivationWaitMs, &app, [&] {
            if (!served)
                app.quit();
        });
    } else if (line.road) {
        name = platform::claimInstanceName(serve);
        runHandler(services.messages, [&] { Form1.takeRequest(*line.road, line.delaySeconds); });
    } else {
        Form1.showCentred();
        // once the window is up: a plain start is not held up by the bus
        QTimer::singleShot(0, &app, [&] { name = platform::claimInstanceName(serve); });
    }
    const int status = app.exec();
    // what was copied stays pasteable after we have gone; when it does not, the person who
    // copied it hears so before the program is gone, and the log too
    const platform::ClipboardHandOver handOver = platform::handClipboardToKeeper();
    if (!handOver.kept) {
        std::fputs(errorLine(handOver.reason).toLocal8Bit().constData(), stderr);
        services.messages.show(MessageKind::Warning, handOver.reason);
    }
    return status;
}

} // namespace

// The windows' failures are caught by the handler that ran into them (ui/handlers.h), with
// FgApplication::notify as the last net; what could still escape here is memory running out.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv)
{
    platform::fillClosedStandardStreams();
    const auto parsed = parseCommandLine(argumentsAfterName(argc, argv));
    if (const auto* exit = std::get_if<ImmediateExit>(&parsed))
        return exitAtOnce(*exit);
    const CommandLine& line = std::get<CommandLine>(parsed);
    if (line.windowless())
        return runWithoutWindows(argc, argv, line);

    BoxMessages messages;
    DialogChoosers choosers;
    FgApplication app(argc, argv, messages);
    if (line.road && !line.activated) {
        const platform::HandOver handOver =
            platform::handToRunningInstance(*line.road, line.delaySeconds);
        if (handOver.outcome == platform::HandOver::Taken)
            return 0;
        if (handOver.outcome == platform::HandOver::Refused) {
            std::fputs(errorLine(handOver.reason).toLocal8Bit().constData(), stderr);
            return FailedStatus;
        }
    }
    return runWindows(app, line, {messages, choosers});
}
