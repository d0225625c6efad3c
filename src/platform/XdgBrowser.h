#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vo {

// A program and the arguments to start it with.
struct ProgramCall
{
    QString program;
    QStringList arguments;

    friend bool operator==(const ProgramCall &, const ProgramCall &) = default;
};

// The Exec line of a desktop entry with the address put in: %u, %U, %f or %F becomes the address
// as one argument, %% a percent sign, every other field code goes. Without such a code the
// address comes last. An empty address adds no argument. nullopt when the line names no program
// or has a field code in the program's word.
std::optional<ProgramCall> callFromExecLine(const QString &execLine, const QString &address);

// How the desktop starts its default web browser with the address: the desktop entry that
// mimeapps.list names for x-scheme-handler/http, run through its Exec line (launchers such as
// flatpak or env keep working); else the first command of $BROWSER, where a word "%s" alone
// stands for the address (and it comes last without one); else xdg-open. A "mailto:" address
// goes to the mail program instead: the entry named for x-scheme-handler/mailto, else xdg-open.
ProgramCall defaultBrowserCall(const QString &address);

} // namespace vo
