#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vo {

// The program file of the command that Windows registers for "http" addresses: lower-cased
// (A to Z only), cut before its first ".exe" with ".exe" put back, every double quote removed.
// Whatever followed the program path (arguments, the parameter marker) is dropped. nullopt when
// the command is empty. A command without ".exe" gives ".exe" alone, which then fails to start.
std::optional<QString> browserProgramFromCommand(const QString &command);

// Opens the address in the default web browser, not waiting for it. True when a browser was
// found and a start attempted, whatever became of it; false when no browser is registered.
// On Windows the address is the whole parameter string, unquoted; elsewhere it is one argument.
bool OpenURL(const QByteArray &address);

} // namespace vo
