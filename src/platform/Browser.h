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

// The address as a browser gets it: web and mail addresses ("http://", "https://" or "mailto:"
// in any letter case) as they are, and one without a scheme, as branding files give them
// ("www.example.com", "shop.example:8080/help"), as an http address. Anything else is never
// handed on (nullopt): a browser takes an argument that begins with "-" as one of its own options
// (some run a command given that way), a bare name as a file of its working folder, and other
// schemes open local files or run script.
std::optional<QString> browsableAddress(QStringView address);

// One argument of a Windows parameter string, read back whole by the program's argument parser:
// in double quotes, with each quote and the backslashes before a quote or the end escaped.
QString windowsQuotedArgument(QStringView argument);

// Opens the address in the default web browser, not waiting for it. True when a browser was
// found and a start attempted, whatever became of it; false when no browser is registered or
// the address is not browsable, and then nothing is started. An empty address starts the browser
// without one. The address always reaches the browser as one argument.
bool OpenURL(const QByteArray &address);

// Opens a footer link's address. On Windows the shell opens it with whatever it associates with
// the address, shown normally; elsewhere there is no such association apart from the desktop's
// browser, so the link opens as OpenURL opens every other address. Only web and mail addresses
// are handed on; false when nothing was started.
bool OpenLinkAddress(const QByteArray &address);

} // namespace vo
