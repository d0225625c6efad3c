#include "update/UpdateCheck.h"

#include "branding/Branding.h"
#include "net/IdHTTP.h"
#include "platform/AnsiText.h"
#include "platform/AppError.h"
#include "platform/Launcher.h"
#include "platform/UpdaterSystem.h"
#include "platform/WholeFile.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace vo {

namespace {

void disconnectQuietly(TIdHTTP &http)
{
    try {
        http.Disconnect();
    } catch (const std::exception &) {
    }
}

QByteArray readDescription(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

bool DownloadFile(TIdHTTP &http, const QByteArray &url, const QString &localPath, qint64 maxBytes)
{
    // Fetched beside the old file and renamed over it: the name is never removed and opened
    // again, so a link planted under it in between can neither receive the reply nor be
    // written through.
    ReplacementFile file(localPath);
    // Creating the file comes before the download and is no failure of it: the error goes up
    // to whoever reports errors, instead of passing for "no update".
    if (const std::optional<QString> cause = file.open())
        throw cannotCreateFile(QFileInfo(localPath).absoluteFilePath(), *cause);
    QCoreApplication::processEvents();
    bool stored = false;
    try {
        http.GetToStream(url, file.device(), maxBytes);
        stored = !file.commit();
    } catch (const std::exception &) {
        // No connection, an error status, a broken transfer: all the same failed download.
    }
    disconnectQuietly(http);
    // A failed check leaves no description, not even the one an earlier check fetched.
    if (!stored)
        QFile::remove(localPath);
    return stored;
}

UpdateOutcome CheckForUpdates(TIdHTTP &http, TMessageBox &messages, const AppFolder &folder, bool silent,
                              const QByteArray &updateBaseUrl)
{
    const QString localPath = folder.file(u"mainappupdate.inf");
    const auto noUpdate = [&] {
        if (!silent)
            messages.information(QStringLiteral("There's no new updates for this application!"));
        return UpdateOutcome::NoUpdate;
    };

    // A build that names no update site never asks anyone for one.
    if (updateBaseUrl.isEmpty())
        return noUpdate();
    // Without an updater there is nothing to offer at start: every start would ask for an
    // update that cannot be carried out.
    if (silent && !updaterCanExist())
        return UpdateOutcome::NoUpdate;
    if (!DownloadFile(http, updateBaseUrl + "mainappupdate.inf", localPath) || !QFile::exists(localPath))
        return noUpdate();
    const QByteArray versionText = DescriptionVersionText(readDescription(localPath));
    if (!IsNewerThanProgram(versionText))
        return noUpdate();

    const QString available = QStringLiteral("There is a new update: (version ") + ansi::toUnicode(versionText)
                            + QStringLiteral(") available for your application!.");
    if (!updaterCanExist()) {
        // The seller installs the new version the way this one was installed.
        messages.information(available);
        return UpdateOutcome::Announced;
    }
    if (!messages.confirm(TMessageBox::Kind::Information,
                          available + QStringLiteral(" Do you want download this update now?")))
        return UpdateOutcome::Declined;

    const QString updater = folder.file(u"Updater.exe");
    if (!QFile::exists(updater)) {
        messages.warning(QStringLiteral("The updater module is missing. Please reinstall again the current version!"));
        return UpdateOutcome::UpdaterMissing;
    }
    if (!messages.confirm(TMessageBox::Kind::Information,
                          QStringLiteral("To update your software the application will close to\n\r"
                                         "replace some files. Do you want to update now?")))
        return UpdateOutcome::Declined;

    // Started directly with its three arguments, and not waited for: the program closes so
    // that the updater can replace its files. Whether it started is not known to the program.
    launcher().startDetached(updater, {ansi::toUnicode(updateBaseUrl), QString::fromLatin1(ProgramVersion),
                                       QStringLiteral("A")});
    return UpdateOutcome::UpdaterStarted;
}

} // namespace vo
