#include "app/CommandRunner.h"

#include "net/IdHTTP.h"

#include <QApplication>

namespace vo {

namespace {

// Thrown past the command's own frames to the runner, which is all that catches it.
struct WindowClosing
{
};

} // namespace

void CommandRunner::run(const std::function<void()> &command)
{
    if (client_.busy()) {
        QApplication::beep();
        return;
    }
    sequence(command);
}

void CommandRunner::sequence(const std::function<void()> &steps)
{
    if (closing_)
        return;
    try {
        steps();
    } catch (const WindowClosing &) {
        // The command ends quietly; closing goes on.
    }
}

void CommandRunner::endIfClosing() const
{
    if (closing_)
        throw WindowClosing{};
}

} // namespace vo
