#include "platform/standard_streams.h"

#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

[[noreturn]] void failToWrite()
{
    throw std::runtime_error(QString("Unable to write to the standard output: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))
                                 .toStdString());
}

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

} // namespace

void fillClosedStandardStreams()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (isOpen(fd))
            continue;
        // open() takes the lowest free number, which is this one
        if (::open("/dev/null", O_RDONLY | O_NOCTTY) != fd)
            ::_exit(1); // nothing can be told, and nothing written could be trusted
    }
}

void writeToStandardOutput(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            failToWrite();
        done += written;
    }
    // a file's blocks may be found missing only when they reach the disk
    struct stat facts {
    };
    if (::fstat(STDOUT_FILENO, &facts) == 0 && S_ISREG(facts.st_mode) &&
        ::fsync(STDOUT_FILENO) != 0)
        failToWrite();
}

} // namespace platform
