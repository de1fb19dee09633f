#include "platform/picture_files.h"

#include "platform/file_descriptor.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

[[noreturn]] void failToRead(const QString& path, const QString& why)
{
    throw std::runtime_error(QString("Unable to read %1: %2").arg(path, why).toStdString());
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

[[noreturn]] void failToWrite(const QString& path, const QString& why)
{
    throw std::runtime_error(QString("Unable to write to %1: %2").arg(path, why).toStdString());
}

// What `path` names, itself and not what a link there leads to; st_mode 0 when nothing.
struct stat entryAt(const QString& path)
{
    struct stat facts {
    };
    if (::lstat(QFile::encodeName(path).constData(), &facts) != 0) {
        if (errno != ENOENT)
            failToWrite(path, systemReason());
        facts.st_mode = 0;
    }
    return facts;
}

// A new name for a file in `folder`: short, so that it fits wherever the longest legal name fits,
// and hidden from the user's file lists while it is being written.
QString hiddenName(const QString& folder)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = folder + QStringLiteral("/.fg-");
    for (int i = 0; i < 8; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

// Removes a hidden file of ours that nobody needs any more; nobody waits for that, so a failure
// goes to the log.
void removeLeftOver(const QString& path)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        qWarning("The temporary file %s could not be removed: %s", qPrintable(path),
                 std::strerror(errno));
}

} // namespace

NewFileInFolder::NewFileInFolder(const QString& folder)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = hiddenName(folder);
        // O_EXCL creates the name itself and never follows a link planted under it; the mode
        // given here is narrowed by the umask, as for every file the user makes
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            failToWrite(folder, systemReason());
        path_ = path;
        if (!file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                        QFileDevice::AutoCloseHandle)) {
            const QString why = file_.errorString(); // before closing, which may change it
            ::close(fd);
            removeLeftOver(path);
            failToWrite(folder, why);
        }
        return;
    }
    failToWrite(folder, QStringLiteral("no free name for a new file in it"));
}

NewFileInFolder::~NewFileInFolder()
{
    file_.close();
    if (!named_)
        removeLeftOver(path_);
}

void NewFileInFolder::finishWriting(const QString& path)
{
    // done once: a name that was taken already is followed by another try
    if (!file_.isOpen())
        return;
    if (::fsync(file_.handle()) != 0)
        failToWrite(path, systemReason());
    file_.close();
}

bool NewFileInFolder::takeName(const QString& path)
{
    finishWriting(path);
    named_ = renameWithoutReplacing(path_, path);
    return named_;
}

void NewFileInFolder::replaceEntry(const QString& path)
{
    requireReplaceable(path);
    const struct stat existing = entryAt(path);
    if (S_ISREG(existing.st_mode) && ::fchmod(file_.handle(), existing.st_mode & 07777) != 0)
        failToWrite(path, systemReason());
    finishWriting(path);
    // rename() puts the file in the place of the name itself, a link included
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(path).constData()) != 0)
        failToWrite(path, systemReason());
    named_ = true;
}

void requireReplaceable(const QString& path)
{
    const mode_t kind = entryAt(path).st_mode & S_IFMT;
    if (kind != 0 && kind != S_IFREG && kind != S_IFLNK)
        failToWrite(path, "it is not a regular file, so it is not replaced");
}

QByteArray readRegularFile(const QString& path, qint64 maxBytes)
{
    QByteArray content;
    readRegularFileInto(path, maxBytes, content);
    return content;
}

void readRegularFileInto(const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    // not blocking, so that opening a FIFO does not wait for a writer that never comes
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        failToRead(path, systemReason());
    struct stat facts {
    };
    if (::fstat(file.get(), &facts) != 0)
        failToRead(path, systemReason());
    if (!S_ISREG(facts.st_mode))
        failToRead(path, "it is not a regular file.");
    if (facts.st_size > maxBytes)
        failToRead(path, QString("it is larger than %1 MB, more than a picture of this program "
                                 "can be.")
                             .arg(maxBytes >> 20));
    bytes.resize(qsizetype(facts.st_size));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failToRead(path, systemReason());
        if (n == 0)
            break; // shrunk while being read: what is there is all there is
        got += n;
    }
    bytes.truncate(got);
}

bool renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    // file systems without the flag still refuse a hard link onto an existing name
    if (errno == EINVAL || errno == ENOSYS) {
        if (::link(source.constData(), target.constData()) == 0) {
            removeLeftOver(from); // the picture is saved; a hidden second name is only clutter
            return true;
        }
    }
    if (errno == EEXIST)
        return false;
    failToWrite(to, systemReason());
}

} // namespace platform
