#include "branding/BannerPicture.h"

#include "branding/PictureFiles.h"
#include "platform/AnsiText.h"

#include <QFile>

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
