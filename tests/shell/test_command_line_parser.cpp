// Command lines that cannot be run as written: refused before anything is captured or written,
// with status 2 and one line saying what is wrong. The program itself, its status and standard
// error included, is run by test_command_line.
#include "fg_test.h"
#include "shell/command_line.h"

class TestCommandLineParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refused_data();
    void refused();
};

void TestCommandLineParser::refused_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const QString& arguments, const QString& error) {
        QTest::newRow(name) << arguments << error;
    };
    row("unknown format", "--screen --output shots/shot.gif",
        "cannot tell the picture format of 'shots/shot.gif'; end its name in .png, .jpg, .jpeg "
        "or .bmp");
    row("unknown option", "--screen --colour", "Unknown option 'colour'.");
    row("area has no windowless form", "--area --output a.png",
        "--output needs --screen, --window or --delay");
    row("no road", "--clipboard", "--clipboard needs --screen, --window or --delay");
    row("file and clipboard", "--screen --clipboard --output a.png",
        "choose one of --output and --clipboard");
    row("delay not a number", "--delay 5s --output a.png",
        "--delay takes a number of seconds from 1 to 360, not '5s'");
    row("delay of none", "--delay 0 --output a.png",
        "--delay takes a number of seconds from 1 to 360, not '0'");
    row("delay beyond the range", "--delay 99999 --output a.png",
        "--delay takes a number of seconds from 1 to 360, not '99999'");
    row("quality out of range", "--screen --output a.jpg --quality 101",
        "--quality takes a number from 1 to 100, not '101'");
    row("quality of a PNG", "--screen --output a.png --quality 50",
        "--quality applies only to a JPEG file named with --output");
    row("overwrite of the standard output", "--screen --output - --overwrite",
        "--overwrite applies only to a file named with --output");
    row("stamp with a window", "--screen --stamp date",
        "--stamp applies only to --output and --clipboard");
    row("stamp of something else", "--screen --clipboard --stamp date,weather",
        "--stamp takes date, time or date,time, not 'date,weather'");
    row("stray argument", "--screen --clipboard shot.png", "unexpected argument 'shot.png'");
}

void TestCommandLineParser::refused()
{
    QFETCH(QString, arguments);
    QFETCH(QString, error);
    const auto parsed = parseCommandLine(arguments.split(' '));
    QVERIFY(std::holds_alternative<ImmediateExit>(parsed));
    const ImmediateExit& exit = std::get<ImmediateExit>(parsed);
    QCOMPARE(exit.status, BadArgumentsStatus);
    QCOMPARE(exit.standardError.trimmed(), "framegrove: " + error);
    QVERIFY(exit.standardOutput.isEmpty());
}

FG_TEST_MAIN(TestCommandLineParser)
#include "test_command_line_parser.moc"
