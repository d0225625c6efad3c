#include "ui/PictureBounds.h"

#include <QImageReader>

namespace vo {

QSize decodedFrameSize(QImageReader &reader, QByteArrayView data)
{
    QSize size = reader.size();
    if (data.size() >= 10 && data.startsWith("GIF8")) {
        const auto word = [&](qsizetype at) { return int(quint8(data[at])) | int(quint8(data[at + 1])) << 8; };
        size = size.expandedTo(QSize(word(6), word(8)));
    }
    return size;
}

} // namespace vo
