#include "news/NewsMarker.h"

#include "branding/AesLib.h"
#include "branding/Branding.h"
#include "branding/BrandingText.h"
#include "news/NewsService.h"
#include "platform/AppError.h"
#include "platform/RemovedOnExit.h"
#include "platform/TextLines.h"
#include "platform/WholeFile.h"
#include "settings/ProfileIni.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

namespace vo {

namespace {

const QByteArray kStartTag = QByteArrayLiteral("<%%LastNewsId%%>");
const QByteArray kEndTag = QByteArrayLiteral("<%%/LastNewsId%%>");

QByteArray readWhole(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw cannotOpenFile(QFileInfo(fileName).absoluteFilePath(), file.errorString());
    return file.readAll();
}

void writeWhole(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw cannotCreateFile(QFileInfo(fileName).absoluteFilePath(), file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
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
    // A file that does not decrypt is not ours to rewrite: it would come back holding nothing
    // but the marker line.
    const std::optional<QByteArray> text = DecryptBrandingText(folder_);
    if (!text)
        return false;
    QByteArrayList lines = splitLines(*text);

    const QByteArray markerLine = kStartTag + newsId + kEndTag;
    qsizetype index = 0;
    while (index < lines.size() && !lines.at(index).contains(kStartTag))
        ++index;
    if (index < lines.size())
        lines[index] = markerLine;
    else
        lines.append(markerLine);

    QByteArray rewritten;
    for (const QByteArray &line : std::as_const(lines))
        rewritten += line + "\r\n";
    const RemovedOnExit plain(folder_.file(kBrandingPlainFileName));
    const RemovedOnExit replacement(folder_.file(u"dbsettings.new"));
    writeWhole(plain.fileName(), rewritten);

    if (!EncryptFileTo(plain.fileName(), replacement.fileName()))
        return false;
    const WholeFile::Result written = WholeFile::write(encrypted, readWhole(replacement.fileName()));
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
