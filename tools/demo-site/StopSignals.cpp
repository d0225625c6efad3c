#include "StopSignals.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vo::demo {

namespace {

// The handler may only touch this pipe: writing one byte is async-signal-safe.
int signalPipe[2] = {-1, -1};

const int stopSignals[] = {SIGTERM, SIGINT};

} // namespace

void StopSignals::handle(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop))
{
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t received = ::read(signalPipe[1], &byte, 1);
        onStop_();
    });
    struct sigaction action = {};
    action.sa_handler = &StopSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : stopSignals)
        ::sigaction(s, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    for (const int s : stopSignals)
        ::signal(s, SIG_DFL);
    notifier_.reset();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace vo::demo
