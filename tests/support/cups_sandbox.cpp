#include "cups_sandbox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fgtest
{

namespace
{

// cups-pdf reads its settings only from here; the sandbox's daemon sees its own file in this
// place, mounted over it in a mount namespace of the daemon's own, and the real one is untouched.
const QString SystemPdfSettings = QStringLiteral("/etc/cups/cups-pdf.conf");

// The cups-pdf driver's name as `lpinfo -m` gives it.
const QString PdfModel = QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd");

void writeFile(const QString& fileName, const QString& text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) != text.toUtf8().size())
        throw std::runtime_error("cannot write " + fileName.toStdString());
}

} // namespace

QString CupsSandbox::whyUnavailable()
{
    // the scheduler runs the cups-pdf backend, which is private to root, only when it is root
    if (geteuid() != 0)
        return "the sandbox's cupsd must run as root";
    for (const char* program : {"cupsd", "unshare", "mount", "lpstat", "lpadmin"}) {
        if (QStandardPaths::findExecutable(program, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"})
                .isEmpty())
            return QString("%1 is not installed").arg(program);
    }
    if (!QFile::exists(SystemPdfSettings) || !QFile::exists("/usr/lib/cups/backend/cups-pdf"))
        return "cups-pdf is not installed";
    return {};
}

CupsSandbox::Daemon::Daemon()
{
    // a test that dies without unwinding still takes its daemon with it
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

CupsSandbox::Daemon::~Daemon()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
}

CupsSandbox::CupsSandbox() : folder_(QDir::tempPath() + "/fg-cups-XXXXXX")
{
    if (!folder_.isValid())
        throw std::runtime_error("cannot make the spooler's folder");
    writeConfiguration();
    qputenv("CUPS_SERVER", QFile::encodeName(path("cups.sock")));
    // to a file rather than a pipe nobody reads, which would stall the daemon once full
    daemon_.process.setProcessChannelMode(QProcess::MergedChannels);
    daemon_.process.setStandardOutputFile(path("log/cupsd_output"));
    // The daemon runs as sh, which mounts the PDF settings and then becomes cupsd, keeping its
    // process id.
    daemon_.process.start("unshare",
                          {"--mount", "--propagation", "private", "sh", "-c",
                           "mount --bind \"$1\" \"$2\" && exec cupsd -f -c \"$3\" -s \"$4\"", "sh",
                           path("cups-pdf.conf"), SystemPdfSettings, path("conf/cupsd.conf"),
                           path("conf/cups-files.conf")});
    if (!daemon_.process.waitForStarted())
        throw std::runtime_error("cannot start cupsd: " +
                                 daemon_.process.errorString().toStdString());
    waitUntilAnswering();
}

void CupsSandbox::writeConfiguration() const
{
    // the daemon's filters run as lp and must reach their folders, and share TempDir with it
    ::chmod(QFile::encodeName(folder_.path()).constData(), 0755);
    for (const char* sub : {"conf", "requests", "cache", "state", "tmp", "log", "out", "pdf-spool"})
        QDir(folder_.path()).mkdir(sub);
    ::chmod(QFile::encodeName(path("tmp")).constData(), 01777);

    writeFile(path("conf/cupsd.conf"), QString("LogLevel info\n"
                                               "Listen %1\n"
                                               "Browsing No\n"
                                               "WebInterface No\n"
                                               "DefaultShared No\n"
                                               "PreserveJobFiles Yes\n"
                                               "<Location />\n"
                                               "  Order allow,deny\n"
                                               "  Allow all\n"
                                               "</Location>\n"
                                               "<Policy default>\n"
                                               "  <Limit All>\n"
                                               "    Order deny,allow\n"
                                               "  </Limit>\n"
                                               "</Policy>\n")
                                           .arg(path("cups.sock")));
    writeFile(path("conf/cups-files.conf"), QString("ServerRoot %1/conf\n"
                                                    "DocumentRoot %1/conf\n"
                                                    "RequestRoot %1/requests\n"
                                                    "CacheDir %1/cache\n"
                                                    "StateDir %1/state\n"
                                                    "TempDir %1/tmp\n"
                                                    "ErrorLog %1/log/error_log\n"
                                                    "AccessLog %1/log/access_log\n"
                                                    "PageLog %1/log/page_log\n"
                                                    "Printcap %1/printcap\n"
                                                    "User lp\n"
                                                    "Group lp\n"
                                                    "SystemGroup root\n")
                                                .arg(folder_.path()));
    writeFile(path("cups-pdf.conf"), QString("Out %1/out\n"
                                             "AnonDirName %1/out\n"
                                             "Spool %1/pdf-spool\n"
                                             "Log %1/log\n"
                                             "GSTmp %1/tmp\n")
                                         .arg(folder_.path()));
}

QString CupsSandbox::failure(const QString& what) const
{
    QString text = what;
    for (const char* log : {"log/cupsd_output", "log/error_log"}) {
        QFile file(path(log));
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : "";
        if (content.isEmpty())
            continue;
        const QList<QByteArray> lines = content.split('\n');
        text += QString("\n-- the last lines of %1:").arg(log);
        for (qsizetype i = qMax<qsizetype>(0, lines.size() - 20); i < lines.size(); ++i)
            text += "\n" + QString::fromLocal8Bit(lines[i]);
    }
    return text;
}

void CupsSandbox::waitUntilAnswering()
{
    const QDeadlineTimer deadline(15000);
    while (!runClient("lpstat", {"-r"}).startsWith("scheduler is running")) {
        if (daemon_.process.state() == QProcess::NotRunning)
            throw std::runtime_error(failure("cupsd ended at start").toStdString());
        if (deadline.hasExpired())
            throw std::runtime_error(failure("cupsd does not answer").toStdString());
        QThread::msleep(50);
    }
}

QByteArray CupsSandbox::runClient(const QString& program, const QStringList& arguments) const
{
    QProcess client;
    client.start(program, arguments);
    if (!client.waitForFinished(30000) || client.exitStatus() != QProcess::NormalExit ||
        client.exitCode() != 0)
        throw std::runtime_error(failure(program + " " + arguments.join(' ') + " failed: " +
                                         QString::fromLocal8Bit(client.readAllStandardError()))
                                     .toStdString());
    return client.readAllStandardOutput();
}

void CupsSandbox::addDefaultPdfQueue(const QString& name)
{
    runClient("lpadmin", {"-p", name, "-E", "-v", "cups-pdf:/", "-m", PdfModel});
    runClient("lpadmin", {"-d", name});
}

void CupsSandbox::removeQueue(const QString& name)
{
    runClient("lpadmin", {"-x", name});
}

void CupsSandbox::setAcceptingJobs(const QString& name, bool accepting)
{
    runClient(accepting ? "cupsaccept" : "cupsreject", {name});
}

QByteArray CupsSandbox::lastJobDocument() const
{
    // the spooler keeps job n's first document as d<n, five digits>-001
    QStringList documents = QDir(path("requests"), "d*-001").entryList();
    documents.sort();
    QFile file(path("requests/" + documents.value(documents.size() - 1)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList CupsSandbox::waitForPdfs(int timeoutMs, qsizetype atLeast)
{
    const QDeadlineTimer deadline(timeoutMs);
    const auto written = [this] { return QDir(path("out"), "*.pdf").entryList(); };
    // cups-pdf writes the file while the job is still listed, so the list must be empty first
    while (!runClient("lpstat", {"-o"}).trimmed().isEmpty() || written().size() < atLeast) {
        if (deadline.hasExpired())
            throw std::runtime_error(failure("the spooler did not write a PDF").toStdString());
        QThread::msleep(100);
    }
    QStringList files;
    for (const QString& name : written())
        files.append(path("out/" + name));
    return files;
}

} // namespace fgtest
