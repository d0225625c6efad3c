#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace vo {

// The top-level error handler: an error that nothing else handles is shown to the seller in a
// modal box, and the program goes on. Exceptions never cross Qt's event dispatch: every handler
// that may raise runs inside runGuarded.
void reportError(const QString &text);
void reportException(const std::exception &error);

template <typename Handler>
void runGuarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception &error) {
        reportException(error);
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
}

} // namespace vo
