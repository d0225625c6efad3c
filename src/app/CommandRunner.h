#pragma once

#include <functional>
#include <utility>

namespace vo {

class TIdHTTP;

// The one way the main window runs what talks to the network. The client serves one request
// at a time, and the window may begin to close while a request waits: a command started while
// one waits is refused with a beep and sends nothing, and a command ends at the first request
// after which the window is closing, so nothing more is sent or shown.
class CommandRunner
{
public:
    CommandRunner(const TIdHTTP &client, const bool &closing) : client_(client), closing_(closing) {}

    // A command the seller started: refused while a request waits.
    void run(const std::function<void()> &command);
    // A sequence the window starts itself; it only ends where the window began to close.
    void sequence(const std::function<void()> &steps);

    // One request of the command that run() or sequence() is running, and its result; when the
    // window began to close while it waited, the command ends here.
    template <typename Request>
    auto request(Request &&send)
    {
        auto result = std::forward<Request>(send)();
        endIfClosing();
        return result;
    }

private:
    void endIfClosing() const;

    const TIdHTTP &client_;
    const bool &closing_;
};

} // namespace vo
