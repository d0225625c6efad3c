#pragma once

#include <QByteArray>

// What the program reads from the update description "mainappupdate.inf", apart from fetching it.
namespace vo {

// The "Version" value of the section "APPLICATION", as written; empty when it is missing.
QByteArray DescriptionVersionText(const QByteArray &fileBytes);

// A "Version" value as a 32-bit float read with "." whatever the locale; 0 when it is empty,
// not a number, or not finite.
float serverVersionOf(const QByteArray &versionText);

// True when a "Version" value names a version newer than the running program's.
bool IsNewerThanProgram(const QByteArray &versionText);

} // namespace vo
