#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace vo {

// The whole file, opened and closed here; nullopt when it cannot be read.
std::optional<QByteArray> readWholeFile(const QString &fileName);

// The pictures of the data decoded in exactly the given format, at most `limit` of them.
// Content that does not match the format gives none: a banner named ".jpg" that holds a bitmap
// is a damaged banner, not a reason to guess.
QList<QImage> decodePictures(const QByteArray &data, const QByteArray &format, int limit);

} // namespace vo
