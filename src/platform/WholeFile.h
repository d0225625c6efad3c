#pragma once

#include <QByteArray>
#include <QString>

namespace vo {

// Replaces a file in one step: the bytes go to a temporary file beside it, which is then renamed
// over the old one. A full disk or a failed rename leaves the old file as it was, and the
// temporary file never outlives the call.
//
// A folder that refuses new files while the file itself may be written (a program folder owned
// by another user, holding the seller's own settings files) gets the file rewritten in place
// instead: there the old file is not kept on a full disk, but the write succeeds as it must.
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
