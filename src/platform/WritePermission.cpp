#include "platform/WritePermission.h"

#include "platform/PrivateFile.h"

#include <QFile>

#include <cerrno>

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vo {

#ifdef Q_OS_UNIX

std::optional<QString> writeRefusal(const QString &fileName)
{
    // The same test that opening the file for writing makes, with the same user and groups.
    if (::faccessat(AT_FDCWD, QFile::encodeName(fileName).constData(), W_OK, AT_EACCESS) == 0)
        return std::nullopt;
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR)
        return std::nullopt;
    return systemErrorText(code);
}

#else

std::optional<QString> writeRefusal(const QString &fileName)
{
    return win::readOnlyRefusal(fileName);
}

#endif

} // namespace vo
