#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace vo::test {

// The whole file, or "<missing>" when it cannot be read: never the contents of a real file.
inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes the file whole, making its folder first; false when any of that failed.
[[nodiscard]] inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(name).path());
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

#ifdef Q_OS_UNIX
// The permission bits of the name itself (a link's own), or -1 when nothing stands there.
inline int modeOf(const QString &name)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(name).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}
#endif

} // namespace vo::test
