#pragma once

#include <QString>

namespace vo::brand {

enum class Outcome {
    Done,
    NotAContainer, // wrong passphrase, damaged or cut short
    WriteFailed,
};

enum class Direction { Encrypt, Decrypt };

// Runs the console's own file operation into a temporary file beside the destination and puts
// it in the destination's place only when the operation succeeded: a failed run never leaves a
// wrong or partial file, and an older destination stays as it was. Throws vo::AppError when a
// file cannot be opened or created.
Outcome transform(Direction direction, const QString &source, const QString &destination);

} // namespace vo::brand
