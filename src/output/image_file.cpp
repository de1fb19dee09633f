#include "output/image_file.h"

#include <QSaveFile>

#include <stdexcept>

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path); // discards its temporary file unless committed
    // unbuffered, so that a disk that fills up fails the write itself: a failure while the
    // buffer is flushed at commit would go unnoticed and the cut-off file would take the name
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            QString("Unable to write to %1: %2").arg(path, file.errorString()).toStdString());
}
