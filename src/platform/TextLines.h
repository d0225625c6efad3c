#pragma once

#include <QByteArrayList>
#include <QByteArrayView>

namespace vo {

// The lines of a text as the files and replies of this program are read: a line ends at CR, LF
// or CR LF, and a line break at the very end adds no empty line.
QByteArrayList splitLines(QByteArrayView text);

} // namespace vo
