#pragma once

// What files need on Windows only: the system's words for an error, the seller's own access
// list for files that hold secrets, the read-only attribute and the replacing rename.

#include <QString>

#include <optional>

namespace vo::win {

// The system's words for a Windows error code, as Qt quotes them too: without the line break.
QString errorText(unsigned long code);

// Gives `fileName` the access list of `model` when that file exists (a replaced file keeps who
// may read it), else a list that lets the current user alone in, inheriting nothing from the
// folder. The system's words when that fails.
std::optional<QString> takeAccessOf(const QString &fileName, const QString &model);

// The system's words for a denied write when the file carries the read-only attribute.
std::optional<QString> readOnlyRefusal(const QString &fileName);

// Puts `from` in the place of `to` in one step, replacing it. The system's words when that fails:
// a file that another program holds open without letting it go stays as it is.
std::optional<QString> replaceFile(const QString &from, const QString &to);

} // namespace vo::win
