#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace vo::demo {

// Turns SIGTERM and SIGINT into a call on the event loop (a self-pipe), so that the server
// leaves through the normal path and closes its database, instead of dying mid-write.
// One instance at a time; the destructor restores the default handling.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    static void handle(int signal);

    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vo::demo
