#pragma once

#include <QString>

#include <optional>

namespace vo {

// The system's words when the user may not write the existing file `fileName`: its owner
// marked it read-only, or it is someone else's. Replacing it by a rename would pass over that
// protection, which governs the file and not its folder. nullopt when it may be written, or
// when no file stands under the name.
std::optional<QString> writeRefusal(const QString &fileName);

} // namespace vo
