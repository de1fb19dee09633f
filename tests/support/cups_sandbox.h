#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace fgtest
{

// A print spooler of the test's own: a cupsd whose configuration, queues, logs and cups-pdf
// output all live in a temporary folder, reached through a unix socket in that folder. The
// person's spooler, printers and files are never involved. Two sandboxes in two processes do not
// meet. The daemon is stopped and the folder removed on destruction.
class CupsSandbox
{
public:
    // Why no sandbox can run here, or nothing when one can.
    static QString whyUnavailable();

    // Starts the daemon and waits until it answers; throws std::runtime_error when it does not.
    // Points this process and the programs it starts at the daemon, so it must exist before
    // anything in the process asks for printers: libcups reads the server's address only once.
    CupsSandbox();

    // Adds a queue that turns jobs into PDF files, and makes it the default printer.
    void addDefaultPdfQueue(const QString& name);

    // Removes the queue; there is no default printer then.
    void removeQueue(const QString& name);

    // Makes the queue refuse new jobs, or take them again.
    void setAcceptingJobs(const QString& name, bool accepting);

    // The document of the spooler's last job, exactly as it was handed over.
    QByteArray lastJobDocument() const;

    // Waits until the spooler has finished every job and at least `atLeast` PDF files have been
    // written, and returns them; throws std::runtime_error when that takes longer than timeoutMs.
    QStringList waitForPdfs(int timeoutMs, qsizetype atLeast = 1);

private:
    // Stops the daemon kindly, so that it stops its filters too, whichever way the sandbox ends.
    class Daemon
    {
    public:
        Daemon();
        ~Daemon();
        Daemon(const Daemon&) = delete;
        Daemon& operator=(const Daemon&) = delete;
        QProcess process;
    };

    QString path(const QString& name) const { return folder_.filePath(name); }
    void writeConfiguration() const;
    void waitUntilAnswering();
    QByteArray runClient(const QString& program, const QStringList& arguments) const;
    // what went wrong, with the daemon's own account of it
    QString failure(const QString& what) const;

    QTemporaryDir folder_;
    Daemon daemon_; // after folder_: stopped before the folder goes
};

} // namespace fgtest
