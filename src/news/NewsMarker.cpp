#include "news/NewsMarker.h"

#include "branding/AesLib.h"
#include "branding/Branding.h"
#include "news/NewsService.h"
#include "platform/AppError.h"
#include "platform/WholeFile.h"
#include "settings/ProfileIni.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

namespace vo {

namespace {

const QByteArray kStartTag = QByteArrayLiteral("<%%LastNewsId%%>");
const QByteArray kEndTag = QByteArrayLiteral("<%%/LastNewsId%%>");

// A file that must not outlive the scope, whichever way it is left.
class RemovedOnExit
{
public:
    explicit RemovedOnExit(QString fileName) : fileName_(std::move(fileName)) {}
    ~RemovedOnExit() { QFile::remove(fileName_); }
    RemovedOnExit(const RemovedOnExit &) = delete;
    RemovedOnExit &operator=(const RemovedOnExit &) = delete;

private:
    QString fileName_;
};

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

// The plain text as lines: ending at CR, LF or CR LF, cut at the first zero byte.
QByteArrayList linesOf(const QByteArray &plain)
{
    QByteArrayList lines;
    const QByteArray joined = joinBrandingLines(plain);
    qsizetype start = 0;
    while (start < joined.size()) {
        const qsizetype end = joined.indexOf("\r\n", start);
        lines.append(joined.sliced(start, end - start));
        start = end + 2;
    }
    return lines;
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
    const QString plain = folder_.file(u"dbsettings.sim");
    const RemovedOnExit removePlain(plain);
    if (!DecryptFileTo(encrypted, plain))
        return QByteArray();
    QByteArray working = joinBrandingLines(readWhole(plain));
    return CutTagValue(working, kStartTag, kEndTag);
}

bool NewsMarker::SaveLastNewsId(const QByteArray &newsId) const
{
    if (!isStorableId(newsId))
        return false;
    const QString encrypted = folder_.file(u"dbsettings.dat");
    if (!QFile::exists(encrypted))
        return false;
    const QString plain = folder_.file(u"dbsettings.sim");
    const QString replacement = folder_.file(u"dbsettings.new");
    const RemovedOnExit removePlain(plain);
    const RemovedOnExit removeReplacement(replacement);

    // A file that does not decrypt is not ours to rewrite: it would come back holding nothing
    // but the marker line.
    if (!DecryptFileTo(encrypted, plain))
        return false;
    QByteArrayList lines = linesOf(readWhole(plain));

    const QByteArray markerLine = kStartTag + newsId + kEndTag;
    qsizetype index = 0;
    while (index < lines.size() && !lines.at(index).contains(kStartTag))
        ++index;
    if (index < lines.size())
        lines[index] = markerLine;
    else
        lines.append(markerLine);

    QByteArray text;
    for (const QByteArray &line : std::as_const(lines))
        text += line + "\r\n";
    writeWhole(plain, text);

    if (!EncryptFileTo(plain, replacement))
        return false;
    const WholeFile::Result written = WholeFile::write(encrypted, readWhole(replacement));
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
