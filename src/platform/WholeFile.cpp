#include "platform/WholeFile.h"

#include <QSaveFile>

#include <atomic>

namespace vo {

namespace {
std::atomic_bool diskFullForTests{false};
}

void WholeFile::setDiskFullForTests(bool full)
{
    diskFullForTests = full;
}

WholeFile::Result WholeFile::write(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return {Outcome::CreateFailed, file.errorString()};

    if (diskFullForTests) {
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
