#include "news/NewsMarker.h"

#include "branding/AesLib.h"
#include "branding/Branding.h"
#include "branding/BrandingText.h"
#include "branding/ExclusiveFile.h"
#include "news/NewsMarkerText.h"
#include "news/NewsService.h"
#include "platform/AppError.h"
#include "platform/WholeFile.h"
#include "settings/ProfileIni.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <limits>

namespace vo {

namespace {

const QByteArray kStartTag = QByteArrayLiteral("<%%LastNewsId%%>");
const QByteArray kEndTag = QByteArrayLiteral("<%%/LastNewsId%%>");

// The held plain file takes the new text in place of the old.
void replaceContents(QFile &file, const QByteArray &bytes)
{
    if (!file.resize(0) || !file.seek(0) || file.write(bytes) != bytes.size() || !file.flush() || !file.seek(0))
        throw streamWriteError();
}

} // namespace

bool NewsMarker::isStorableId(QByteArrayView newsId)
{
    const QByteArrayView digits = newsId.startsWith('-') ? newsId.sliced(1) : newsId;
    if (digits.isEmpty() || digits.size() > 10)
        return false;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
    }
    const qint64 magnitude = digits.toLongLong();
    const qint64 value = newsId.startsWith('-') ? -magnitude : magnitude;
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

QByteArray NewsMarker::ReadLastNewsId() const
{
    const QString encrypted = folder_.file(u"dbsettings.dat");
    if (!QFile::exists(encrypted))
        return QByteArray();
    std::optional<QByteArray> working = DecryptBrandingText(folder_);
    if (!working)
        return QByteArray();
    return CutTagValue(*working, kStartTag, kEndTag);
}

bool NewsMarker::SaveLastNewsId(const QByteArray &newsId) const
{
    if (!isStorableId(newsId))
        return false;
    const QString encrypted = folder_.file(u"dbsettings.dat");
    if (!QFile::exists(encrypted))
        return false;
    // The plain file stays held from the decryption to the new file being in place, so that
    // another copy of the program can neither read a half-written text nor save over this one.
    TemporaryExclusiveFile plain(folder_.file(kBrandingPlainFileName));
    // A file that does not decrypt is not ours to rewrite: it would come back holding nothing
    // but the marker line.
    const std::optional<QByteArray> text = DecryptBrandingText(folder_, plain.device());
    if (!text)
        return false;
    replaceContents(plain.device(), withLastNewsIdLine(*text, newsId));

    // Encrypted in memory: no second temporary file is needed, and none of the same name that
    // someone else left can be taken for ours.
    QBuffer replacement;
    replacement.open(QIODevice::WriteOnly);
    if (!EncryptDeviceTo(plain.device(), replacement))
        return false;
    const WholeFile::Result written = WholeFile::write(encrypted, replacement.data());
    if (written.outcome == WholeFile::Outcome::CreateFailed)
        throw cannotCreateFile(QFileInfo(encrypted).absoluteFilePath(), written.systemText);
    if (!written.ok())
        throw streamWriteError();
    return true;
}

qint32 newsIdValue(const QByteArray &newsId)
{
    return ProfileIni::parseInteger(newsId).value_or(0);
}

std::optional<QByteArray> newsHintText(const QByteArray &storedId, const QByteArray &newestId,
                                       const QByteArray &newestTitle)
{
    if (newsIdValue(newestId) <= newsIdValue(storedId))
        return std::nullopt;
    return QByteArrayLiteral("You've Got A Message!\r\n") + newestTitle;
}

std::optional<QByteArray> StartupNewsCheck(NewsService &service, const BrandingProfile &profile,
                                           const NewsMarker &marker)
{
    const std::optional<NewsRequest> request = newsRequestFor(profile);
    if (!request)
        return std::nullopt;
    QByteArray newestId;
    QByteArray newestTitle;
    if (!service.FetchLatestNews(*request, true, newestId, newestTitle))
        return std::nullopt;
    try {
        return newsHintText(marker.ReadLastNewsId(), newestId, newestTitle);
    } catch (const AppError &) {
        // The start-up sequence is quiet: an unreadable branding file only means no balloon.
        return std::nullopt;
    }
}

} // namespace vo
