#include "branding/ExclusiveFile.h"

#include "platform/AppError.h"
#include "platform/PrivateFile.h"

#include <QFileInfo>

#include <cerrno>

namespace vo {

namespace {

constexpr QIODevice::OpenMode kHeldMode = QIODevice::ReadWrite | QIODevice::Unbuffered;

QString fullName(const QString &fileName)
{
    return QFileInfo(fileName).absoluteFilePath();
}

// The file forgets its name once opened from a handle; the caller's name goes into the error.
void openHeld(QFile &file, const QString &fileName, ExistingName existing)
{
    if (const std::optional<FileFailure> failure = openPrivateFile(file, kHeldMode, existing))
        throw cannotCreateFile(fullName(fileName), failure->text);
    QString cause;
    if (!lockFileExclusively(file, cause))
        throw cannotCreateFile(fullName(fileName), cause);
}

// A plain file left under the name by a run that ended gives way; one that another copy holds,
// a link or a folder stays, and the creation fails with the system's words for it.
void removeLeftover(const QString &fileName)
{
    QFile leftover(fileName);
    openHeld(leftover, fileName, ExistingName::Open);
    if (stillNamedBy(leftover, fileName))
        QFile::remove(fileName);
}

} // namespace

ExclusiveFile::ExclusiveFile(const QString &fileName)
    : file_(fileName)
{
    // Opened without truncating, so that a file someone else holds keeps its bytes.
    openHeld(file_, fileName, ExistingName::Open);
    if (!file_.resize(0))
        throw cannotCreateFile(fullName(fileName), file_.errorString());
}

TemporaryExclusiveFile::TemporaryExclusiveFile(const QString &fileName)
    : fileName_(fileName)
    , file_(fileName)
{
    std::optional<FileFailure> failure = openPrivateFile(file_, kHeldMode, ExistingName::Refuse);
    if (failure && failure->code == EEXIST) {
        removeLeftover(fileName_);
        failure = openPrivateFile(file_, kHeldMode, ExistingName::Refuse);
    }
    if (failure)
        throw cannotCreateFile(fullName(fileName_), failure->text);
    QString cause;
    // Held, so that another copy of the program does not take it for a leftover.
    if (!lockFileExclusively(file_, cause))
        throw cannotCreateFile(fullName(fileName_), cause);
}

TemporaryExclusiveFile::~TemporaryExclusiveFile()
{
    if (!stillNamedBy(file_, fileName_))
        return;
    // Where an open file cannot be removed it is let go first.
    if (!QFile::remove(fileName_)) {
        file_.close();
        QFile::remove(fileName_);
    }
}

} // namespace vo
