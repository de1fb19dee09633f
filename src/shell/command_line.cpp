#include "shell/command_line.h"

#include "capture/delay_seconds.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace
{

// The program's options, in the order --help lists them.
struct Options {
    QCommandLineOption area{"area", "Capture the screen afresh, then crop out an area of it with "
                                    "the mouse; the cut-out opens in the action dialog."};
    QCommandLineOption window{"window",
                              "Capture the window that was active, into the action dialog."};
    QCommandLineOption screen{"screen", "Capture the whole screen into the main window."};
    QCommandLineOption delay{"delay", "Capture the whole screen after <seconds> (1 to 360).",
                             "seconds"};
    QCommandLineOption output{
        "output",
        "Show no window: write the picture of --screen, --window or --delay to <file>, as PNG, "
        "JPEG or bitmap by its extension (.png, .jpg, .jpeg, .bmp). The file is written whole or "
        "not at all, and an existing one is kept. \"-\" writes PNG to the standard output.",
        "file"};
    QCommandLineOption quality{
        "quality",
        QString("The JPEG quality of --output, 1 to 100 (default %1).").arg(StartingJpegQuality),
        "quality"};
    QCommandLineOption overwrite{"overwrite",
                                 "Let --output replace an existing file: a link itself, never what "
                                 "it leads to, and never a FIFO, a device or a folder."};
    QCommandLineOption clipboard{"clipboard",
                                 "Show no window: put the picture of --screen, --window or --delay "
                                 "on the clipboard, where it stays after the program has ended."};
    QCommandLineOption stamp{"stamp",
                             "Write the date, the time or both (date,time) on the picture of "
                             "--output or --clipboard, as the two check boxes do.",
                             "date,time"};
    // how the session bus starts the program to serve a request made over it
    QCommandLineOption activated{"activated", "Wait for a request over the session bus."};

    Options() { activated.setFlags(QCommandLineOption::HiddenFromHelp); }
};

// A mistake in the command line.
struct BadArguments {
    QString reason;
};

ImmediateExit badArguments(const QString& reason)
{
    return {BadArgumentsStatus, {}, errorLine(reason)};
}

std::optional<CaptureRequest> pickRequest(const QCommandLineParser& parser, const Options& options)
{
    const std::pair<const QCommandLineOption&, CaptureRequest> requests[] = {
        {options.area, CaptureRequest::Area},
        {options.window, CaptureRequest::Window},
        {options.screen, CaptureRequest::Screen},
        {options.delay, CaptureRequest::Delay}};
    std::optional<CaptureRequest> picked;
    for (const auto& [option, request] : requests) {
        if (!parser.isSet(option))
            continue;
        if (picked)
            throw BadArguments{"choose one of --area, --window, --screen and --delay"};
        picked = request;
    }
    return picked;
}

// Digits within the range, and nothing else: the delay field would bring anything into range, but
// here nobody sees what it was read as.
int delayFrom(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool isNumber = false;
    const int seconds = text.toInt(&isNumber);
    if (!digits.match(text).hasMatch() || !isNumber || seconds < FewestDelaySeconds ||
        seconds > MostDelaySeconds)
        throw BadArguments{
            QStringLiteral("--delay takes a number of seconds from %1 to %2, not '%3'")
                .arg(FewestDelaySeconds)
                .arg(MostDelaySeconds)
                .arg(text)};
    return seconds;
}

FileFormat formatFrom(const QString& file)
{
    const QString extension = QFileInfo(file).suffix().toLower();
    if (extension == "png")
        return FileFormat::Png;
    if (extension == "jpg" || extension == "jpeg")
        return FileFormat::Jpeg;
    if (extension == "bmp")
        return FileFormat::Bitmap;
    throw BadArguments{"cannot tell the picture format of '" + file +
                       "'; end its name in .png, .jpg, .jpeg or .bmp"};
}

void readDestination(const QCommandLineParser& parser, const Options& options, CommandLine& line)
{
    const bool toFile = parser.isSet(options.output), toClipboard = parser.isSet(options.clipboard);
    if (toFile && toClipboard)
        throw BadArguments{"choose one of --output and --clipboard"};
    if (!toFile && !toClipboard)
        return;
    if (!line.request || line.request == CaptureRequest::Area)
        throw BadArguments{QStringLiteral("--%1 needs --screen, --window or --delay")
                               .arg(toFile ? "output" : "clipboard")};
    if (toClipboard) {
        line.destination = Destination::Clipboard;
        return;
    }
    line.file = parser.value(options.output);
    if (line.file.isEmpty())
        throw BadArguments{"--output needs a file name"};
    if (line.file == "-") {
        line.destination = Destination::StandardOutput;
        return;
    }
    line.destination = Destination::File;
    line.format = formatFrom(line.file);
}

void readFileOptions(const QCommandLineParser& parser, const Options& options, CommandLine& line)
{
    if (parser.isSet(options.overwrite)) {
        if (line.destination != Destination::File)
            throw BadArguments{"--overwrite applies only to a file named with --output"};
        line.overwrite = true;
    }
    if (!parser.isSet(options.quality))
        return;
    if (line.destination != Destination::File || line.format != FileFormat::Jpeg)
        throw BadArguments{"--quality applies only to a JPEG file named with --output"};
    bool isNumber = false;
    line.quality = parser.value(options.quality).toInt(&isNumber);
    if (!isNumber || line.quality < 1 || line.quality > 100)
        throw BadArguments{"--quality takes a number from 1 to 100, not '" +
                           parser.value(options.quality) + "'"};
}

void readStamp(const QCommandLineParser& parser, const Options& options, CommandLine& line)
{
    if (!parser.isSet(options.stamp))
        return;
    if (!line.windowless())
        throw BadArguments{"--stamp applies only to --output and --clipboard"};
    const QString value = parser.value(options.stamp);
    for (const QString& part : value.split(',')) {
        if (part == "date")
            line.stampDate = true;
        else if (part == "time")
            line.stampTime = true;
        else
            throw BadArguments{"--stamp takes date, time or date,time, not '" + value + "'"};
    }
}

CommandLine readCommandLine(const QCommandLineParser& parser, const Options& options)
{
    if (!parser.positionalArguments().isEmpty())
        throw BadArguments{"unexpected argument '" + parser.positionalArguments().first() + "'"};
    CommandLine line;
    line.request = pickRequest(parser, options);
    if (line.request == CaptureRequest::Delay)
        line.delaySeconds = delayFrom(parser.value(options.delay));
    readDestination(parser, options, line);
    readFileOptions(parser, options, line);
    readStamp(parser, options, line);
    line.activated = parser.isSet(options.activated);
    return line;
}

} // namespace

QString errorLine(const QString& reason)
{
    // one line, whatever the reason holds
    return "framegrove: " + QString(reason).replace('\n', ' ') + '\n';
}

std::variant<CommandLine, ImmediateExit> parseCommandLine(const QStringList& arguments)
{
    const Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Captures the screen, a window or an area and gets the picture out again.\n"
        "Without options it captures the screen and shows it in its main window.");
    // Qt's own help option would offer Qt's options too, which are not read here
    const QCommandLineOption help({"h", "help"}, "Show this help and end.");
    const QCommandLineOption version({"v", "version"}, "Show the version and end.");
    parser.addOptions({help, version, options.area, options.window, options.screen, options.delay,
                       options.output, options.quality, options.overwrite, options.clipboard,
                       options.stamp, options.activated});
    if (!parser.parse(QStringList{QStringLiteral("framegrove")} + arguments))
        return badArguments(parser.errorText());
    // with no application object yet, Qt cannot know the name the program was started by
    if (parser.isSet(help))
        return ImmediateExit{0, parser.helpText().replace("<executable_name>", "framegrove"), {}};
    if (parser.isSet(version))
        return ImmediateExit{0, QStringLiteral("framegrove " FG_VERSION "\n"), {}};
    try {
        return readCommandLine(parser, options);
    } catch (const BadArguments& mistake) {
        return badArguments(mistake.reason);
    }
}
