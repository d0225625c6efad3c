#include "news/NewsService.h"

#include "net/IdHTTP.h"
#include "net/MultipartForm.h"
#include "platform/AnsiText.h"
#include "ui/MessageBox.h"

namespace vo {

std::optional<NewsRequest> newsRequestFor(const BrandingProfile &profile)
{
    struct Tier
    {
        const char *type;
        const char *code;
        const QByteArray &publisherId;
    };
    const Tier tiers[] = {{"Master", "BM", profile.MasterPublID},
                          {"Platinum", "BP", profile.PlatinumPublID},
                          {"Gold", "BG", profile.GoldPublID}};
    for (const Tier &tier : tiers) {
        if (profile.BranderType != tier.type)
            continue;
        if (tier.publisherId.isEmpty())
            return std::nullopt;
        return NewsRequest{tier.publisherId, profile.BranderCode, QByteArray(tier.code)};
    }
    return std::nullopt;
}

QByteArray NewsService::scriptUrl(const QByteArray &tierCode, const QByteArray &script) const
{
    QByteArray base;
    if (tierCode == "BM")
        base = profile_.MasterNewsBaseURL;
    else if (tierCode == "BP")
        base = profile_.PlatinumNewsBaseURL;
    else if (tierCode == "BG")
        base = profile_.GoldNewsBaseURL;
    return base.endsWith('/') ? base + script : base + '/' + script;
}

QByteArray NewsService::post(const QByteArray &script, const NewsRequest &request, const QByteArray &fourthName,
                             const QByteArray &fourthValue, qint64 maxBody)
{
    try {
        TIdMultiPartFormDataStream form;
        form.AddField("memusername", request.publisherId);
        form.AddField("prodcode", request.branderCode);
        form.AddField("prodtype", request.tierCode);
        form.AddField(fourthName, fourthValue);
        form.AddField("newstarget", request.target);
        // Always sent, and empty: a form reader that keeps the line break before the closing
        // delimiter leaves it here rather than in a value that matters.
        form.AddField("something", QByteArray());
        return TrimNewsReply(http_.PostForm(scriptUrl(request.tierCode, script), form, maxBody));
    } catch (const std::exception &) {
        return QByteArray();
    }
}

void NewsService::report(const QByteArray &trimmedReply, Script script)
{
    const QByteArray text = errorText(trimmedReply, script);
    if (!text.isEmpty())
        messages_.warning(ansi::toUnicode(text));
}

bool NewsService::FetchLatestNews(const NewsRequest &request, bool silent, QByteArray &newsId, QByteArray &newsTitle)
{
    newsId.clear();
    const QByteArray reply = post("getlastnews.php", request, "conttype", "lastcode", kLatestMaxBody);
    const LatestNewsReply latest = ReadLatestNewsReply(reply);
    if (!latest.accepted) {
        if (!silent)
            report(reply, Script::LastNews);
        return false;
    }
    if (latest.hasItem) {
        newsId = latest.id;
        newsTitle = latest.title;
    }
    return true;
}

bool NewsService::FetchNewsList(const NewsRequest &request, QByteArrayList &list)
{
    const QByteArray reply = post("getlastnews.php", request, "conttype", "all", kListMaxBody);
    const std::optional<QByteArrayList> items = ReadNewsListReply(reply);
    if (!items) {
        report(reply, Script::LastNews);
        return false;
    }
    list.append(*items);
    return true;
}

bool NewsService::FetchNewsDetails(const NewsRequest &request, const QByteArray &newsId, QByteArray &html)
{
    html.clear();
    const QByteArray reply = post("getnewsdetails.php", request, "newsid", newsId, kDetailsMaxBody);
    const std::optional<QByteArray> text = ReadNewsDetailsReply(reply);
    if (!text) {
        report(reply, Script::NewsDetails);
        return false;
    }
    html = *text;
    return true;
}

bool NewsService::FetchNewsForButton(QByteArrayList &newsList)
{
    newsList.clear();
    const std::optional<NewsRequest> request = newsRequestFor(profile_);
    if (request && FetchNewsList(*request, newsList) && !newsList.isEmpty())
        return true;
    messages_.information(QStringLiteral("There's no news for this application!"));
    return false;
}

} // namespace vo
