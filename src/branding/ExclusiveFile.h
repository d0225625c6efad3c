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

    QIODevice &device() { return file_; }

private:
    QFile file_;
};

// Takes the whole file for this process alone; the system's text for the cause on failure.
// Where the platform offers no lock the file is not held and this succeeds.
bool lockFileExclusively(QFile &file, QString &cause);

} // namespace vo
