#include "BrandFile.h"

#include "branding/AesLib.h"
#include "platform/AppError.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace vo::brand {

namespace {

constexpr QFile::Permissions NewFilePermissions =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;

std::filesystem::path fsPath(const QString &name)
{
    return std::filesystem::path(name.toStdU16String());
}

} // namespace

Outcome transform(Direction direction, const QString &source, const QString &destination)
{
    QTemporaryFile temporary(destination + QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        throw cannotCreateFile(QFileInfo(destination).absoluteFilePath(), temporary.errorString());
    temporary.close(); // the file operation opens it again for itself; the name stays reserved
    // A temporary file is private to its owner; the result gets the destination's usual rights.
    temporary.setPermissions(QFile::exists(destination) ? QFile::permissions(destination) : NewFilePermissions);

    const bool ok = direction == Direction::Encrypt ? EncryptFileTo(source, temporary.fileName())
                                                    : DecryptFileTo(source, temporary.fileName());
    if (!ok)
        return direction == Direction::Encrypt ? Outcome::WriteFailed : Outcome::NotAContainer;

    std::error_code error;
    std::filesystem::rename(fsPath(temporary.fileName()), fsPath(destination), error);
    if (error)
        throw cannotCreateFile(QFileInfo(destination).absoluteFilePath(), QString::fromStdString(error.message()));
    temporary.setAutoRemove(false); // it is the destination now
    return Outcome::Done;
}

} // namespace vo::brand
