#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <optional>

namespace vo {

// A file replaced in one step: its new bytes go to a temporary file beside it, created for the
// user alone, which then takes the old file's mode (on Windows its access list) and is renamed
// over it. The rename replaces whatever stands under the name without following it, and the
// temporary file never outlives the object unless committed. A name that is a symbolic link or
// a folder is refused: the file is the console's own, and a link there was planted to carry its
// bytes elsewhere. So is a file that the user may not write (writeRefusal; on Windows the
// read-only attribute): the rename would pass over its protection. On Windows a file that
// another program holds open without letting it be replaced fails at the commit.
class ReplacementFile
{
public:
    explicit ReplacementFile(QString fileName);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    // The system's words when the file cannot be made.
    std::optional<QString> open();
    QFileDevice &device() { return *temporary_; }
    // Puts the written file in place of the old one; the system's words when that fails, and
    // then the old file stays as it was.
    std::optional<QString> commit();

private:
    QString fileName_;
    // Let go of at the commit: its close() keeps the handle, and Windows renames no open file.
    std::optional<QTemporaryFile> temporary_;
    bool committed_ = false;
};

// Replaces a file in one step through a ReplacementFile. A full disk (WriteFailed) or a file that
// cannot be replaced (CreateFailed) leaves the old file as it was.
//
// A folder that refuses new files while the file itself may be written (a program folder owned
// by another user, holding the seller's own settings files) gets the file rewritten in place
// instead, never through a link: there the old file is not kept on a full disk, but the write
// succeeds as it must.
class WholeFile
{
public:
    enum class Outcome { Written, CreateFailed, WriteFailed };

    struct Result
    {
        Outcome outcome = Outcome::Written;
        QString systemText; // the system's words for the cause, when it gave any

        bool ok() const { return outcome == Outcome::Written; }
    };

    static Result write(const QString &fileName, const QByteArray &bytes);

    // Test seam: writes of this file fail after it was created, as on a full disk. An empty
    // name ends the simulation.
    static void simulateDiskFullForTests(const QString &fileName);
    // Test seam: this folder refuses every new file, as one the user may not write to does;
    // permission bits cannot show it to root, who runs the tests. An empty name ends it.
    static void simulateFolderRefusingNewFilesForTests(const QString &folder);
};

} // namespace vo
