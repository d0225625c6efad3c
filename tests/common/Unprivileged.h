#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <optional>

#include <unistd.h>

namespace vo::test {

struct UnprivilegedRun
{
    bool passed = false;
    QByteArray output;
};

// Permission bits stop no write of root, who runs the tests in CI. Run as root, this runs the
// test function `function` of this very test program again as the unprivileged user "nobody",
// from a copy of the program that the user can reach, and tells how that went. Run as anyone
// else, nullopt: the caller is already a user whom the bits stop, and goes on itself.
inline std::optional<UnprivilegedRun> rerunAsUnprivilegedUser(const char *function)
{
    if (::geteuid() != 0)
        return std::nullopt;
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                            | QFileDevice::ExeOther;
    QTemporaryDir place(QStringLiteral("/tmp/vo-unprivileged-XXXXXX"));
    const QString program = place.filePath(QStringLiteral("test"));
    if (!place.isValid() || !QFile::setPermissions(place.path(), readable)
        || !QFile::copy(QCoreApplication::applicationFilePath(), program) || !QFile::setPermissions(program, readable))
        return UnprivilegedRun{false, "the test program could not be copied where that user reaches it"};

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // LeakSanitizer reads its suppressions as that user too.
    QString leakOptions = environment.value(QStringLiteral("LSAN_OPTIONS"));
    const QRegularExpressionMatch suppressions = QRegularExpression(QStringLiteral("suppressions=([^:]+)")).match(leakOptions);
    if (suppressions.hasMatch()) {
        const QString copy = place.filePath(QStringLiteral("lsan.supp"));
        QFile::copy(suppressions.captured(1), copy);
        QFile::setPermissions(copy, readable);
        leakOptions.replace(suppressions.capturedStart(1), suppressions.capturedLength(1), copy);
        environment.insert(QStringLiteral("LSAN_OPTIONS"), leakOptions);
    }

    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                          QStringLiteral("--clear-groups"), QStringLiteral("--"), program,
                                          QString::fromLatin1(function)});
    const bool ended = run.waitForFinished(300000);
    return UnprivilegedRun{ended && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, run.readAll()};
}

} // namespace vo::test
