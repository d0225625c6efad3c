#pragma once

#include "branding/BrandingProfile.h"
#include "platform/AppFolder.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace vo {

class NewsService;

// The last-news marker: the id of the news item whose text the user last opened, kept as the
// LastNewsId line of the encrypted branding file so that it survives restarts. Its plain text
// exists as "dbsettings.sim" only during one call and is gone again on every way out.
// File errors of the container (EFOpenError, EFCreateError, EWriteError) are thrown.
class NewsMarker
{
public:
    explicit NewsMarker(const AppFolder &folder) : folder_(folder) {}

    // The tag's value as stored, empty without a branding file, without the tag, or when the
    // file cannot be decrypted.
    QByteArray ReadLastNewsId() const;

    // Rewrites the file with the id on the first line that holds "<%%LastNewsId%%>" (exactly
    // so), or on a new last line. Returns false, changing nothing, for an id that is not a
    // whole signed 32-bit number, without a branding file, or when the file cannot be
    // decrypted. The new file replaces the old one in one step, so a failure while writing
    // leaves the old one as it was.
    bool SaveLastNewsId(const QByteArray &newsId) const;

    // An optional "-" and decimal digits within the signed 32-bit range: anything else could
    // carry a line break or a zero byte into the branding file.
    static bool isStorableId(QByteArrayView newsId);

private:
    AppFolder folder_;
};

// A news id as a number: a text that does not read as a signed 32-bit integer, the empty text
// included, counts as 0.
qint32 newsIdValue(const QByteArray &newsId);

// The balloon's text when the newest id is greater than the stored one.
std::optional<QByteArray> newsHintText(const QByteArray &storedId, const QByteArray &newestId,
                                       const QByteArray &newestTitle);

// The news leg of the start-up sequence: asks the tier's server for its newest item, silently,
// and returns the balloon's text when that item is newer than the marker; nothing otherwise.
// Failed requests, error replies and file errors of the branding file end it quietly, so the
// later legs of the sequence still run. The marker is never written here.
std::optional<QByteArray> StartupNewsCheck(NewsService &service, const BrandingProfile &profile,
                                           const NewsMarker &marker);

} // namespace vo
