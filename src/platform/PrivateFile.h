#pragma once

#include <QFile>
#include <QString>

#include <optional>

namespace vo {

// Why a file could not be opened: the system's error number and its words for it.
struct FileFailure
{
    int code = 0;
    QString text;
};

// What openPrivateFile does with a name that exists already.
enum class ExistingName { Refuse, Open };

// Opens `file` by its name for `mode` (WriteOnly or ReadWrite; Truncate and Unbuffered are
// honoured) without ever following a symbolic link at that name: anyone who can write to the
// folder could plant one that sends the bytes elsewhere. A file created here is readable and
// writable by its owner alone (0600; on Windows an access list for the current user alone); an
// existing one keeps its mode. With ExistingName::Refuse any existing name, links included, fails
// with EEXIST. Anything but a regular file is refused. On Windows no one else may read or write
// the file while it is open: a file another program holds open, or a read-only one, fails to
// open. Opened from a handle, `file` no longer reports its name.
std::optional<FileFailure> openPrivateFile(QFile &file, QIODevice::OpenMode mode, ExistingName existing);

// True while `name` still names the very file that `file` holds open, so that removing the name
// removes that file and not one someone has put in its place. True where it cannot be told.
bool stillNamedBy(const QFile &file, const QString &name);

// Takes the whole file opened by openPrivateFile for this process alone; the system's text for
// the cause on failure. On Windows that open lets no one else read or write the file: it is held.
bool lockFileExclusively(QFile &file, QString &cause);

// The system's words for an error number.
QString systemErrorText(int code);

} // namespace vo
