#pragma once

#include "platform/AppFolder.h"
#include "settings/ServerSettings.h"

namespace vo {

inline constexpr QStringView kSettingsFileName = u"hsettings.dat";
inline constexpr QStringView kConfigPhpFileName = u"config.php";

// Fills the record from "hsettings.dat"; without that file the record keeps its values.
void LoadServerSettings(const AppFolder &folder, ServerSettings &settings);

// Writes "hsettings.dat", then "config.php", each replaced whole. Raises EIniFileError
// ("Unable to write to …"), EFCreateError ("Cannot create file …") or EWriteError
// ("Stream write error"); nothing after the failing write is carried out.
void SaveServerSettings(const AppFolder &folder, const ServerSettings &settings);

// The text of "config.php" for these settings.
QByteArray BuildConfigPhp(const ServerSettings &settings);

} // namespace vo
