#include "branding/PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace vo {

std::optional<QByteArray> readWholeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QList<QImage> decodePictures(const QByteArray &data, const QByteArray &format, int limit)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    QList<QImage> pictures;
    const int count = qMin(qMax(reader.imageCount(), 1), limit);
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index))
            break;
        QImage picture = reader.read();
        if (picture.isNull())
            break;
        pictures.append(std::move(picture));
    }
    return pictures;
}

} // namespace vo
