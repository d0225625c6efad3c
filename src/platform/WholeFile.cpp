#include "platform/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <optional>

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

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool folderRefusesNewFiles(const QString &fileName)
{
    const QString &folder = simulatedFaults().refusingFolder;
    return !folder.isEmpty() && QDir(QFileInfo(fileName).absolutePath()) == QDir(folder);
}

// The cause in the system's words when the bytes did not all reach the disk.
std::optional<QString> putBytes(QFileDevice &file, const QString &fileName, const QByteArray &bytes)
{
    if (!simulatedFaults().diskFullFile.isEmpty() && simulatedFaults().diskFullFile == fileName)
        return systemText(ENOSPC);
    // The bytes wait in the file's buffer: only the flush meets a full disk.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    return std::nullopt;
}

WholeFile::Result writeBeside(QSaveFile &file, const QString &fileName, const QByteArray &bytes)
{
    if (const std::optional<QString> cause = putBytes(file, fileName, bytes)) {
        file.cancelWriting();
        return {WholeFile::Outcome::WriteFailed, *cause};
    }
    // commit() flushes as well but does not look at the outcome; the flush above did.
    if (!file.commit())
        return {WholeFile::Outcome::WriteFailed, file.errorString()};
    return {};
}

// The file's own open tells why it cannot be written, in the system's words: a folder in its
// place, a missing folder, a file or folder without write permission.
WholeFile::Result writeInPlace(const QString &fileName, const QByteArray &bytes)
{
    if (folderRefusesNewFiles(fileName) && !QFileInfo::exists(fileName))
        return {WholeFile::Outcome::CreateFailed, systemText(EACCES)};
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {WholeFile::Outcome::CreateFailed, file.errorString()};
    if (const std::optional<QString> cause = putBytes(file, fileName, bytes))
        return {WholeFile::Outcome::WriteFailed, *cause};
    return {};
}

} // namespace

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
    QSaveFile beside(fileName);
    if (!folderRefusesNewFiles(fileName) && beside.open(QIODevice::WriteOnly))
        return writeBeside(beside, fileName, bytes);
    return writeInPlace(fileName, bytes);
}

} // namespace vo
