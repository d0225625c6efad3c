#pragma once

#include "platform/Launcher.h"

#include <QList>
#include <QStringList>

namespace vo::test {

// Stands in for the system while it lives: records every start and every opened address.
class RecordingLauncher final : public Launcher
{
public:
    struct Start
    {
        QString program;
        QStringList arguments;
    };

    RecordingLauncher() : scope_(*this) {}

    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        starts.append({program, arguments});
        return true;
    }

    bool openAddress(const QString &address) override
    {
        opened.append(address);
        return true;
    }

    QList<Start> starts;
    QStringList opened;

private:
    ScopedLauncher scope_;
};

} // namespace vo::test
