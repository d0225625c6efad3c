#include "platform/WholeFile.h"

#include <QSaveFile>

namespace vo {

namespace {
QString &diskFullFileForTests()
{
    static QString fileName;
    return fileName;
}
} // namespace

void WholeFile::simulateDiskFullForTests(const QString &fileName)
{
    diskFullFileForTests() = fileName;
}

WholeFile::Result WholeFile::write(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return {Outcome::CreateFailed, file.errorString()};

    if (!diskFullFileForTests().isEmpty() && diskFullFileForTests() == fileName) {
        file.cancelWriting();
        return {Outcome::WriteFailed, QStringLiteral("No space left on device")};
    }
    if (file.write(bytes) != bytes.size()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        return {Outcome::WriteFailed, cause};
    }
    if (!file.commit())
        return {Outcome::WriteFailed, file.errorString()};
    return {};
}

} // namespace vo
