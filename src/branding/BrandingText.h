#pragma once

#include "platform/AppFolder.h"

#include <QByteArray>

#include <optional>

class QFile;

namespace vo {

inline constexpr QStringView kBrandingFileName = u"dbsettings.dat";
inline constexpr QStringView kBrandingPlainFileName = u"dbsettings.sim";

// The plain text of the folder's branding file, its lines each ending with CR LF. It passes
// through "dbsettings.sim", which is gone again on every way out; one that another copy of the
// program holds is left alone, and the call fails. nullopt when the file fails its check
// (another passphrase, damage): such a file could carry someone else's links, so nothing of it
// is used. Raises EFOpenError or EFCreateError when a file cannot be opened or created.
std::optional<QByteArray> DecryptBrandingText(const AppFolder &folder);

// The same into the caller's own held "dbsettings.sim", for an operation that goes on with it.
std::optional<QByteArray> DecryptBrandingText(const AppFolder &folder, QFile &plain);

} // namespace vo
