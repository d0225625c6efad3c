#pragma once

#include <QByteArrayView>
#include <QSize>

class QImageReader;

namespace vo {

// The size of the frames a decoder would allocate for the data, read from the headers only.
// For a GIF that is at least its logical screen, which Qt's decoder allocates for every frame
// however small the frame itself is, and which the reader's own size() can understate.
QSize decodedFrameSize(QImageReader &reader, QByteArrayView data);

} // namespace vo
