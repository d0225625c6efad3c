#include "branding/BannerPicture.h"

#include "branding/PictureFiles.h"
#include "platform/AnsiText.h"
#include "ui/PictureBounds.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <optional>

namespace vo {

namespace {

// The Qt image plugin that decodes each still-picture extension. Metafiles ("emf", "wmf") have
// no reader outside Windows and fall through with every unknown type.
QByteArray stillFormatFor(const QByteArray &fileNamePart)
{
    const qsizetype dot = fileNamePart.lastIndexOf('.');
    const QByteArray extension = dot < 0 ? QByteArray() : fileNamePart.mid(dot + 1).toLower();
    if (extension == "bmp" || extension == "ico")
        return extension;
    if (extension == "jpg" || extension == "jpeg")
        return QByteArrayLiteral("jpeg");
    return {};
}

// The strip is a few dozen pixels high; a banner is small. Qt's decoder makes a whole frame
// of the GIF's logical screen for each frame it plays, so both the frame and the frames
// together are bounded before anything is decoded.
constexpr int kMaxBannerSide = 2000;
constexpr qint64 kMaxAnimationPixels = 64LL * 1000 * 1000;

bool animationTooLarge(const QByteArray &gif)
{
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    const QSize frame = decodedFrameSize(reader, gif);
    const qint64 frames = std::max(reader.imageCount(), 1);
    return frame.width() > kMaxBannerSide || frame.height() > kMaxBannerSide
           || qint64(std::max(frame.width(), 0)) * std::max(frame.height(), 0) * frames > kMaxAnimationPixels;
}

} // namespace

QByteArray bannerFileNamePart(const QByteArray &bannerFile)
{
    const qsizetype cut = std::max({bannerFile.lastIndexOf('\\'), bannerFile.lastIndexOf('/'),
                                    bannerFile.lastIndexOf(':')});
    return bannerFile.mid(cut + 1);
}

BannerPicture loadBannerPicture(const AppFolder &folder, int number, const QByteArray &bannerFile)
{
    BannerPicture picture;
    const QString storedName = QStringLiteral("banner%1.dat").arg(number);
    const QString storedFile = folder.file(storedName);
    if (bannerFile.isEmpty() || !QFile::exists(storedFile))
        return picture;

    const QByteArray namePart = bannerFileNamePart(bannerFile);
    const QString shownName = ansi::toUnicode(namePart);
    const QString problem = QStringLiteral("The banner picture %1 (%2) cannot be loaded.").arg(shownName, storedName);

    // The name is judged with the folder in front of it, as it always was: a folder whose name
    // holds ".gif" sends every banner to the animated control.
    const bool animated = (folder.path() + shownName).toLower().contains(QLatin1String(".gif"));
    const QByteArray format = animated ? QByteArrayLiteral("gif") : stillFormatFor(namePart);
    const std::optional<QByteArray> data = format.isEmpty() ? std::nullopt : readWholeFile(storedFile);
    if (data && animated && animationTooLarge(*data)) {
        picture.problem = QStringLiteral("The banner picture %1 (%2) is too large to be shown.").arg(shownName, storedName);
        return picture;
    }
    const QList<QImage> pictures = data ? decodePictures(*data, format, 1) : QList<QImage>();
    if (pictures.isEmpty()) {
        picture.problem = problem;
        return picture;
    }

    const QImage &first = pictures.first();
    picture.size = first.size();
    if (animated) {
        picture.kind = BannerPicture::Kind::Animated;
        picture.animation = *data;
    } else {
        picture.kind = BannerPicture::Kind::Still;
        picture.still = first;
    }
    return picture;
}

} // namespace vo
