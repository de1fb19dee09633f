#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Reading and writing the user's picture files (picture_files_posix.cpp).
namespace platform
{

// The whole content of the regular file at `path` (a link to one is followed). Throws
// std::runtime_error "Unable to read <path>: <why>" for anything else: a folder, a device or a
// FIFO (which is never waited on), a file larger than `maxBytes`, or a failed read.
QByteArray readRegularFile(const QString& path, qint64 maxBytes);

// The same into `content`, whose memory is used again when it is large enough.
void readRegularFileInto(const QString& path, qint64 maxBytes, QByteArray& content);

// Gives the file `from` the name `to` in the same folder, unless something of that name exists;
// false when one does. Throws std::runtime_error when the rename fails for another reason.
bool renameWithoutReplacing(const QString& from, const QString& to);

// Throws std::runtime_error "Unable to write to <path>: <why>" unless `path` names nothing, a
// regular file or a link, the entries that a new file may take the place of: a FIFO, a device, a
// socket or a folder is never replaced.
void requireReplaceable(const QString& path);

// A file of its own in a folder, under a short hidden name, for bytes that take their real name
// only when they are complete. It is created the way the user's other programs create files (mode
// 0666 less the umask), never through a link, and removed again unless it took its name.
class NewFileInFolder
{
public:
    // Throws std::runtime_error "Unable to write to <folder>: <why>".
    explicit NewFileInFolder(const QString& folder);
    ~NewFileInFolder();
    NewFileInFolder(const NewFileInFolder&) = delete;
    NewFileInFolder& operator=(const NewFileInFolder&) = delete;

    // Open for writing, unbuffered, so that a full disk fails the write itself.
    QFile& file() { return file_; }

    // Sends the bytes to the disk, closes the file and gives it the name `path` in the same
    // folder, unless something of that name exists (a link too, even one that leads nowhere):
    // false then, and the file stays as it is, to take another name. Throws std::runtime_error
    // "Unable to write to <path>: <why>" for any other failure.
    bool takeName(const QString& path);

    // Closes the file and puts it in the place of the entry `path`, whatever that held: a link
    // there is replaced itself, never what it leads to. A regular file's permissions stay. Throws
    // std::runtime_error "Unable to write to <path>: <why>", also when requireReplaceable refuses
    // the entry by now.
    void replaceEntry(const QString& path);

private:
    // Sends the bytes to the disk and closes the file: the disk may be found full only now.
    void finishWriting(const QString& path);

    QFile file_;
    QString path_; // a file opened from its descriptor has no name of its own
    bool named_ = false;
};

} // namespace platform
