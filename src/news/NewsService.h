#pragma once

#include "branding/BrandingProfile.h"
#include "news/NewsReplies.h"
#include "ui/SafeHtmlView.h"

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

namespace vo {

class TIdHTTP;
class TMessageBox;

// Who asks for news: the tier's publisher id, the distributor's code, the tier code sent as
// "prodtype" ("BM", "BP", "BG") and the news target. Every caller of the console asks for "UA".
struct NewsRequest
{
    QByteArray publisherId;
    QByteArray branderCode;
    QByteArray tierCode;
    QByteArray target = QByteArrayLiteral("UA");
};

// The one tier rule of the start-up check, the News button and the news window: BranderType
// compared exactly with "Master", "Platinum" and "Gold", and only a tier whose publisher id is
// set asks for anything. "Free" and every other value have no news service.
std::optional<NewsRequest> newsRequestFor(const BrandingProfile &profile);

// The three requests to the tier's news server. A failed request reads as the empty reply;
// error replies are shown in msgMain with the service's own words (never for a silent check).
class NewsService
{
public:
    NewsService(TIdHTTP &http, TMessageBox &messages, const BrandingProfile &profile)
        : http_(http), messages_(messages), profile_(profile)
    {
    }

    // The newest item: its id and title; a bare "OK" means there is none (both stay empty).
    bool FetchLatestNews(const NewsRequest &request, bool silent, QByteArray &newsId, QByteArray &newsTitle);
    // Appends every item of the list ("id^title^published") to `list`, which it never clears.
    bool FetchNewsList(const NewsRequest &request, QByteArrayList &list);
    // The item's text as HTML.
    bool FetchNewsDetails(const NewsRequest &request, const QByteArray &newsId, QByteArray &html);

    // The News button's request: clears `newsList` and fills it from the profile's tier. True
    // when it holds news for the news window; otherwise, after any error message of the request,
    // the user is told "There's no news for this application!".
    bool FetchNewsForButton(QByteArrayList &newsList);

    // The script's address on the server of the tier code; an unknown code has no server and
    // gives the bare path.
    QByteArray scriptUrl(const QByteArray &tierCode, const QByteArray &script) const;

    // The words shown for an error reply, empty for a reply that has none.
    using Script = NewsScript;
    static QByteArray errorText(const QByteArray &trimmedReply, Script script)
    {
        return NewsErrorText(trimmedReply, script);
    }

    // The newest item is an id and a title: 16 KiB is pages of title. A news text is what the
    // news view takes, pictures included, and "$"-escaping may triple it on the wire: the view's
    // own limits decide what is shown. The list holds every item, an id, a title and a date
    // each: 4 MiB is tens of thousands of them.
    static constexpr qint64 kLatestMaxBody = 16 * 1024;
    static constexpr qint64 kDetailsMaxBody = 3 * SafeHtmlView::kMaxTextLength + 64 * 1024;
    static constexpr qint64 kListMaxBody = 4 * 1024 * 1024;

private:
    // Posts the six fields and returns the trimmed reply; empty when the request failed or
    // its reply outgrew `maxBody`.
    QByteArray post(const QByteArray &script, const NewsRequest &request, const QByteArray &fourthName,
                    const QByteArray &fourthValue, qint64 maxBody);
    void report(const QByteArray &trimmedReply, Script script);

    TIdHTTP &http_;
    TMessageBox &messages_;
    const BrandingProfile &profile_;
};

} // namespace vo
