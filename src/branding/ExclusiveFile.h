#pragma once

#include "platform/PrivateFile.h"

#include <QFile>
#include <QString>

namespace vo {

// A destination file created (or emptied) for writing and held so that no other program opens
// it while the operation runs. A file that someone else holds is left as it was. A new file is
// the user's alone, and a symbolic link under the name is refused, never written through.
class ExclusiveFile
{
public:
    // Throws EFCreateError with the system's text when the file cannot be created or held.
    explicit ExclusiveFile(const QString &fileName);

    QFile &device() { return file_; }

private:
    QFile file_;
};

// The temporary file of one operation: created new, for the user alone, and held. Whatever
// stands under the name already is never opened for writing: a link or anything but a plain
// file is refused, a file that another copy of the program holds is left alone, and only a
// plain file that no one holds (left by an ended run) is removed to make room. The file taken
// is removed when the operation ends, on every way out, while it is still held, and only while
// the name is still its own.
class TemporaryExclusiveFile
{
public:
    // Throws EFCreateError with the system's text, and then removes nothing of anyone else's.
    explicit TemporaryExclusiveFile(const QString &fileName);
    ~TemporaryExclusiveFile();
    TemporaryExclusiveFile(const TemporaryExclusiveFile &) = delete;
    TemporaryExclusiveFile &operator=(const TemporaryExclusiveFile &) = delete;

    QFile &device() { return file_; }

private:
    QString fileName_;
    QFile file_;
};

} // namespace vo
