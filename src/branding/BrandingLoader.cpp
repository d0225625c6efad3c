#include "branding/BrandingLoader.h"

#include "branding/BrandingText.h"
#include "branding/PictureFiles.h"
#include "platform/AppError.h"
#include "ui/Skin.h"

#include <QFile>
#include <QPixmap>

#include <utility>

namespace vo {

namespace {

QString unreadableText(const QString &cause)
{
    return QStringLiteral("The branding file dbsettings.dat could not be read and was not applied. ") + cause;
}

// The markup of the branding file, or nullopt with the reason in the result. A file that fails
// its check could carry someone else's links, so it is not used at all.
std::optional<QByteArray> decryptMarkup(const AppFolder &folder, BrandingResult &result)
{
    try {
        std::optional<QByteArray> text = DecryptBrandingText(folder);
        if (!text) {
            result.damaged = true;
            result.problems.append(QStringLiteral("The branding file dbsettings.dat is damaged and was not applied."));
        }
        return text;
    } catch (const AppError &error) {
        result.problems.append(unreadableText(error.text()));
        return std::nullopt;
    }
}

// Every size the icon file holds, so the system can pick the one it needs.
std::optional<QIcon> loadIconFile(const QString &fileName)
{
    constexpr int MostSizes = 64;
    const std::optional<QByteArray> data = readWholeFile(fileName);
    QIcon icon;
    for (const QImage &picture : data ? decodePictures(*data, QByteArrayLiteral("ico"), MostSizes) : QList<QImage>())
        icon.addPixmap(QPixmap::fromImage(picture));
    if (icon.isNull())
        return std::nullopt;
    return icon;
}

void loadSideFiles(const AppFolder &folder, int bannerNumber, BrandingResult &result)
{
    result.banner = loadBannerPicture(folder, bannerNumber, result.profile.BannerFile);
    if (!result.banner.problem.isEmpty())
        result.problems.append(result.banner.problem);

    const QString skinFile = folder.file(u"mainskin.dat");
    if (QFile::exists(skinFile)) {
        result.skinStyleSheet = skin::loadCompressedSkinFile(skinFile);
        if (!result.skinStyleSheet)
            result.problems.append(QStringLiteral("The skin file mainskin.dat cannot be loaded."));
    }

    result.profile.IconFile = QByteArrayLiteral("main.ico");
    const QString iconFile = folder.file(u"main.ico");
    if (QFile::exists(iconFile)) {
        result.icon = loadIconFile(iconFile);
        if (!result.icon)
            result.problems.append(QStringLiteral("The icon file main.ico cannot be loaded."));
    }
}

} // namespace

BrandingResult LoadBrandingFile(const AppFolder &folder, RandomSource &random)
{
    BrandingResult result;
    result.present = QFile::exists(folder.file(u"dbsettings.dat"));
    if (!result.present)
        return result;

    const std::optional<QByteArray> markupText = decryptMarkup(folder, result);
    if (!markupText)
        return result;

    BrandingMarkup markup = parseBrandingMarkup(*markupText, random);
    result.applied = true;
    result.profile = std::move(markup.profile);
    result.caption = std::move(markup.caption);
    result.makeMoneyCaption = std::move(markup.makeMoneyCaption);
    result.newsButtonVisible = markup.newsButtonVisible;
    result.linksVisible = !result.profile.Link1Caption.isEmpty();
    loadSideFiles(folder, markup.bannerNumber, result);
    return result;
}

} // namespace vo
