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
    // The bytes wait in the file's buffer: only the flush meets a full disk. QSaveFile::commit()
    // flushes as well but does not look at the outcome, and would put a cut-off file in place
    // of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        return {Outcome::WriteFailed, cause};
    }
    if (!file.commit())
        return {Outcome::WriteFailed, file.errorString()};
    return {};
}

} // namespace vo
