#pragma once

#include <QByteArray>
#include <QString>

namespace vo {

// Replaces a file in one step: the bytes go to a temporary file beside it, which is then renamed
// over the old one. A full disk or a failed rename leaves the old file as it was, and the
// temporary file never outlives the call.
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
};

} // namespace vo
