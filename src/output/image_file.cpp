#include "output/image_file.h"

#include "platform/picture_files.h"

#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <stdexcept>

namespace
{

// Writes all of `bytes`. A write that stops short (the disk filled up half-way) carries no
// reason; writing the rest again either goes on or fails with the system's reason.
bool writeAll(QIODevice& file, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

[[noreturn]] void failToWrite(const QString& path, const QString& why)
{
    throw std::runtime_error(QString("Unable to write to %1: %2").arg(path, why).toStdString());
}

} // namespace

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path); // discards its temporary file unless committed
    // unbuffered, so that a disk that fills up fails the write itself: a failure while the
    // buffer is flushed at commit would go unnoticed and the cut-off file would take the name
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeAll(file, bytes) ||
        !file.commit())
        failToWrite(path, file.errorString());
}

namespace
{

// The bytes under a hidden name beside `path`, whose name they take only when complete.
std::unique_ptr<platform::NewFileInFolder> writeBeside(const QString& path, const QByteArray& bytes)
{
    auto file = std::make_unique<platform::NewFileInFolder>(QFileInfo(path).absolutePath());
    if (!writeAll(file->file(), bytes))
        failToWrite(path, file->file().errorString());
    return file;
}

} // namespace

bool writeNewFile(const QString& path, const QByteArray& bytes)
{
    return writeBeside(path, bytes)->takeName(path);
}

void replaceEntry(const QString& path, const QByteArray& bytes)
{
    // refused before anything is written beside it
    platform::requireReplaceable(path);
    writeBeside(path, bytes)->replaceEntry(path);
}
