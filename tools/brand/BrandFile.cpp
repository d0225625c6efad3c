#include "BrandFile.h"

#include "branding/AesLib.h"
#include "platform/AppError.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <memory>
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
    // The name is reserved by a temporary file that is then let go of entirely: its close()
    // alone would keep it open, and on Windows the file operation could not open it again.
    QString reserved;
    {
        QTemporaryFile temporary(destination + QStringLiteral(".XXXXXX"));
        temporary.setAutoRemove(false);
        if (!temporary.open())
            throw cannotCreateFile(QFileInfo(destination).absoluteFilePath(), temporary.errorString());
        reserved = temporary.fileName();
    }
    const std::unique_ptr<const QString, void (*)(const QString *)> removeUnlessRenamed(
        &reserved, [](const QString *name) { QFile::remove(*name); });
    // A temporary file is private to its owner; the result gets the destination's usual rights.
    QFile::setPermissions(reserved, QFile::exists(destination) ? QFile::permissions(destination) : NewFilePermissions);

    const bool ok = direction == Direction::Encrypt ? EncryptFileTo(source, reserved) : DecryptFileTo(source, reserved);
    if (!ok)
        return direction == Direction::Encrypt ? Outcome::WriteFailed : Outcome::NotAContainer;

    std::error_code error;
    std::filesystem::rename(fsPath(reserved), fsPath(destination), error);
    if (error)
        throw cannotCreateFile(QFileInfo(destination).absoluteFilePath(), QString::fromStdString(error.message()));
    return Outcome::Done; // the reserved name is gone, and removing it does nothing
}

} // namespace vo::brand
