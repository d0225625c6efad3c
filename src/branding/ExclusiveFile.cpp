#include "branding/ExclusiveFile.h"

#include "platform/AppError.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <cerrno>
#include <cstring>
#endif

namespace vo {

bool lockFileExclusively(QFile &file, QString &cause)
{
#ifdef Q_OS_UNIX
    // An advisory lock: it keeps out every program that asks for one, which is what Unix offers.
    if (flock(file.handle(), LOCK_EX | LOCK_NB) == 0)
        return true;
    cause = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#else
    Q_UNUSED(file);
    Q_UNUSED(cause);
    return true;
#endif
}

ExclusiveFile::ExclusiveFile(const QString &fileName)
    : file_(fileName)
{
    const QString fullName = QFileInfo(fileName).absoluteFilePath();
    // Opened without truncating, so that a file someone else holds keeps its bytes.
    if (!file_.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        throw cannotCreateFile(fullName, file_.errorString());
    QString cause;
    if (!lockFileExclusively(file_, cause))
        throw cannotCreateFile(fullName, cause);
    if (!file_.resize(0))
        throw cannotCreateFile(fullName, file_.errorString());
}

TemporaryExclusiveFile::~TemporaryExclusiveFile()
{
    QFile &file = file_.device();
    const QString fileName = file.fileName();
    // Where an open file cannot be removed it is let go first.
    if (!QFile::remove(fileName)) {
        file.close();
        QFile::remove(fileName);
    }
}

} // namespace vo
