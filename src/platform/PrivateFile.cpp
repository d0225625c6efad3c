#include "platform/PrivateFile.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vo {

QString systemErrorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Windows has its own in WindowsFiles.cpp.
#ifdef Q_OS_UNIX

std::optional<FileFailure> openPrivateFile(QFile &file, QIODevice::OpenMode mode, ExistingName existing)
{
    int flags = O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    flags |= mode.testFlag(QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
    if (existing == ExistingName::Refuse)
        flags |= O_EXCL;
    if (mode.testFlag(QIODevice::Truncate))
        flags |= O_TRUNC;
    // Non-blocking only so that a pipe planted under the name cannot hold the open; it is then
    // refused below, and regular files ignore the flag.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        const int code = errno;
        return FileFailure{code, systemErrorText(code)};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return FileFailure{EINVAL, systemErrorText(EINVAL)};
    }
    if (!file.open(fd, mode & ~QIODevice::Truncate, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileFailure{EIO, file.errorString()};
    }
    return std::nullopt;
}

bool stillNamedBy(const QFile &file, const QString &name)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(file.handle(), &held) == 0 && ::lstat(QFile::encodeName(name).constData(), &named) == 0
        && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool lockFileExclusively(QFile &file, QString &cause)
{
    // An advisory lock: it keeps out every program that asks for one, which is what Unix offers.
    if (flock(file.handle(), LOCK_EX | LOCK_NB) == 0)
        return true;
    cause = systemErrorText(errno);
    return false;
}

#endif

} // namespace vo
