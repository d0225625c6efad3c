#include "platform/WholeFile.h"

#include "platform/PrivateFile.h"
#include "platform/WritePermission.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"
#else
#include <unistd.h>
#endif

namespace vo {

namespace {

struct SimulatedFaults
{
    QString diskFullFile;
    QString refusingFolder;
};

SimulatedFaults &simulatedFaults()
{
    static SimulatedFaults faults;
    return faults;
}

bool folderRefusesNewFiles(const QString &fileName)
{
    const QString &folder = simulatedFaults().refusingFolder;
    return !folder.isEmpty() && QDir(QFileInfo(fileName).absolutePath()) == QDir(folder);
}

#ifndef Q_OS_WIN
std::filesystem::path nativePath(const QString &fileName)
{
    return std::filesystem::path(QFile::encodeName(fileName).toStdString());
}
#endif

// The cause in the system's words when the bytes did not all reach the disk.
std::optional<QString> putBytes(QFileDevice &file, const QString &fileName, const QByteArray &bytes)
{
    if (!simulatedFaults().diskFullFile.isEmpty() && simulatedFaults().diskFullFile == fileName)
        return systemErrorText(ENOSPC);
    // The bytes wait in the file's buffer: only the flush meets a full disk.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    return std::nullopt;
}

// The file's own open tells why it cannot be written, in the system's words: a folder in its
// place, a missing folder, a file or folder without write permission.
WholeFile::Result writeInPlace(const QString &fileName, const QByteArray &bytes)
{
    if (folderRefusesNewFiles(fileName) && !QFileInfo::exists(fileName))
        return {WholeFile::Outcome::CreateFailed, systemErrorText(EACCES)};
    QFile file(fileName);
    if (const std::optional<FileFailure> failure =
            openPrivateFile(file, QIODevice::WriteOnly | QIODevice::Truncate, ExistingName::Open))
        return {WholeFile::Outcome::CreateFailed, failure->text};
    if (const std::optional<QString> cause = putBytes(file, fileName, bytes))
        return {WholeFile::Outcome::WriteFailed, *cause};
    return {};
}

// The system's words when `fileName` is a symbolic link or a folder, which the console never
// writes through or over, or a file that the user may not write.
std::optional<QString> refusedForWriting(const QString &fileName)
{
    const QFileInfo info(fileName);
    // The words that opening without following the link would give.
    if (info.isSymbolicLink())
        return systemErrorText(ELOOP);
    if (info.isDir())
        return systemErrorText(EISDIR);
    return writeRefusal(fileName);
}

} // namespace

ReplacementFile::ReplacementFile(QString fileName)
    : fileName_(std::move(fileName))
{
    temporary_.emplace(fileName_ + QStringLiteral(".XXXXXX"));
    // Removed here only while it is still the temporary file; after the rename its name is gone.
    temporary_->setAutoRemove(false);
}

ReplacementFile::~ReplacementFile()
{
    if (!committed_ && temporary_ && temporary_->isOpen()) {
        const QString written = temporary_->fileName();
        temporary_.reset();
        QFile::remove(written);
    }
}

std::optional<QString> ReplacementFile::open()
{
    if (std::optional<QString> refused = refusedForWriting(fileName_))
        return refused;
    // Made exclusively and for the user alone, whatever the umask says.
    if (!temporary_->open())
        return temporary_->errorString();
#ifdef Q_OS_WIN
    return win::takeAccessOf(temporary_->fileName(), fileName_);
#else
    const QFileInfo old(fileName_);
    if (old.exists() && !temporary_->setPermissions(old.permissions()))
        return temporary_->errorString();
    return std::nullopt;
#endif
}

std::optional<QString> ReplacementFile::commit()
{
    if (!temporary_->flush())
        return temporary_->errorString();
#ifdef Q_OS_UNIX
    // On the disk before it takes the old file's place, so that a crash leaves one or the other.
    if (::fsync(temporary_->handle()) != 0)
        return systemErrorText(errno);
#endif
    const QString written = temporary_->fileName();
    temporary_.reset();
#ifdef Q_OS_WIN
    const std::optional<QString> failure = win::replaceFile(written, fileName_);
#else
    std::error_code error;
    std::filesystem::rename(nativePath(written), nativePath(fileName_), error);
    const std::optional<QString> failure =
        error ? std::optional<QString>(QString::fromLocal8Bit(error.message())) : std::nullopt;
#endif
    if (failure) {
        QFile::remove(written);
        return failure;
    }
    committed_ = true;
    return std::nullopt;
}

void WholeFile::simulateDiskFullForTests(const QString &fileName)
{
    simulatedFaults().diskFullFile = fileName;
}

void WholeFile::simulateFolderRefusingNewFilesForTests(const QString &folder)
{
    simulatedFaults().refusingFolder = folder;
}

WholeFile::Result WholeFile::write(const QString &fileName, const QByteArray &bytes)
{
    if (std::optional<QString> refused = refusedForWriting(fileName))
        return {Outcome::CreateFailed, *refused};
    if (!folderRefusesNewFiles(fileName)) {
        ReplacementFile beside(fileName);
        if (const std::optional<QString> unavailable = beside.open(); !unavailable) {
            if (const std::optional<QString> cause = putBytes(beside.device(), fileName, bytes))
                return {Outcome::WriteFailed, *cause};
            // The old file could not be replaced (on Windows: another program holds it open),
            // and it stays as it was.
            if (const std::optional<QString> cause = beside.commit())
                return {Outcome::CreateFailed, *cause};
            return {};
        }
    }
    return writeInPlace(fileName, bytes);
}

} // namespace vo
