#pragma once

#include <QFile>
#include <QString>

namespace vo {

// A destination file created (or emptied) for writing and held so that no other program opens
// it while the operation runs. A file that someone else holds is left as it was.
class ExclusiveFile
{
public:
    // Throws EFCreateError with the system's text when the file cannot be created or held.
    explicit ExclusiveFile(const QString &fileName);

    QFile &device() { return file_; }

private:
    QFile file_;
};

// The temporary file of one operation, taken as an ExclusiveFile: a file that someone else
// holds is left alone, and nothing of it is deleted. The file taken is removed when the
// operation ends, on every way out, while it is still held, so that no other copy of the
// program can take the name in between and lose its file.
class TemporaryExclusiveFile
{
public:
    // Throws as ExclusiveFile does, and then removes nothing.
    explicit TemporaryExclusiveFile(const QString &fileName) : file_(fileName) {}
    ~TemporaryExclusiveFile();
    TemporaryExclusiveFile(const TemporaryExclusiveFile &) = delete;
    TemporaryExclusiveFile &operator=(const TemporaryExclusiveFile &) = delete;

    QFile &device() { return file_.device(); }

private:
    ExclusiveFile file_;
};

// Takes the whole file for this process alone; the system's text for the cause on failure.
// Where the platform offers no lock the file is not held and this succeeds.
bool lockFileExclusively(QFile &file, QString &cause);

} // namespace vo
