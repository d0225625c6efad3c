#pragma once

#include <QFile>
#include <QString>

namespace vo {

// A file that must not outlive the scope, whichever way the scope is left: the plain text of
// the branding file, or a replacement that was never put in place.
class RemovedOnExit
{
public:
    explicit RemovedOnExit(QString fileName) : fileName_(std::move(fileName)) {}
    ~RemovedOnExit() { QFile::remove(fileName_); }
    RemovedOnExit(const RemovedOnExit &) = delete;
    RemovedOnExit &operator=(const RemovedOnExit &) = delete;

    const QString &fileName() const { return fileName_; }

private:
    const QString fileName_;
};

} // namespace vo
