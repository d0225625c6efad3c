#pragma once

#include "platform/AppFolder.h"
#include "update/UpdateDescription.h"
#include "update/UpdateSite.h"

#include <QByteArray>
#include <QString>

namespace vo {

class TIdHTTP;
class TMessageBox;

// How a check ended. After UpdaterStarted the caller closes the main window, which ends the
// program so that the updater can replace its files. Announced: a newer version was named
// where no updater can exist.
enum class UpdateOutcome { NoUpdate, Declined, UpdaterMissing, UpdaterStarted, Announced };

// The update description is an INI file of two keys and whatever the publisher writes beside
// them for the updater, release notes included; 1 MiB holds any of that and keeps an endless
// reply off the disk.
inline constexpr qint64 kUpdateDescriptionMaxBytes = 1024 * 1024;

// Stores the body of `url` in `localPath` through the client. On any failure of the request,
// a body over `maxBytes` included, the file is removed again and the result is false; the
// connection is closed either way. A file that cannot be created, a folder or a symbolic link
// under its name included, raises EFCreateError before anything is sent.
bool DownloadFile(TIdHTTP &http, const QByteArray &url, const QString &localPath,
                  qint64 maxBytes = kUpdateDescriptionMaxBytes);

// Fetches "mainappupdate.inf" from `updateBaseUrl` (which ends in "/") into the application
// folder, and when its version is newer than the program's, asks the user and starts
// "Updater.exe" with the base URL, the program version and "A". `silent` only mutes the
// message that there is no update. EFCreateError from DownloadFile passes through. An empty
// base URL asks nothing and touches no file: there is no update. Where no updater can exist
// (updaterCanExist), the silent check asks nothing at all, and the other one only names the
// newer version.
UpdateOutcome CheckForUpdates(TIdHTTP &http, TMessageBox &messages, const AppFolder &folder, bool silent,
                              const QByteArray &updateBaseUrl = QByteArray(UpdateBaseURL));

} // namespace vo
