#include "news/NewsService.h"

#include "branding/UUtils.h"
#include "net/IdHTTP.h"
#include "net/MultipartForm.h"
#include "platform/AnsiText.h"
#include "ui/MessageBox.h"

namespace vo {

namespace {

// The servers wrap "OK" in this marker: the macron sign of Windows-1252 before it.
constexpr char kMarkerByte = '\xAF';
const QByteArray kNewsMarker = QByteArrayLiteral("\xAF" "OK");

QByteArray trimControls(const QByteArray &reply)
{
    qsizetype first = 0;
    qsizetype end = reply.size();
    while (first < end && static_cast<unsigned char>(reply.at(first)) <= 32)
        ++first;
    while (end > first && static_cast<unsigned char>(reply.at(end - 1)) <= 32)
        --end;
    return reply.sliced(first, end - first);
}

QByteArray withoutMarkers(QByteArray reply)
{
    return reply.replace(kNewsMarker, QByteArray());
}

} // namespace

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
                             const QByteArray &fourthValue)
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
        return trimControls(http_.PostForm(scriptUrl(request.tierCode, script), form));
    } catch (const std::exception &) {
        return QByteArray();
    }
}

QByteArray NewsService::errorText(const QByteArray &trimmedReply, Script script)
{
    if (trimmedReply.isEmpty())
        return QByteArrayLiteral("There is a trouble accessing the news site. Contact your provider.");
    if (trimmedReply == "CONNECTIONFAIL")
        return QByteArrayLiteral("There is a trouble in the settings file on the news site.");
    if (trimmedReply == "INVALIDUSER")
        return QByteArrayLiteral("There is a trouble with the Publisher Id. Contact your provider.");
    if (trimmedReply == "INVALIDPRODUCT")
        return QByteArrayLiteral("There is a trouble with the product validation. Contact your provider.");
    if (trimmedReply == "INVALIDNEWS" && script == Script::NewsDetails)
        return QByteArrayLiteral("There is a trouble with this news. Contact your provider.");
    return QByteArray();
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
    const QByteArray reply = post("getlastnews.php", request, "conttype", "lastcode");
    if (!reply.contains("OK")) {
        if (!silent)
            report(reply, Script::LastNews);
        return false;
    }
    const QByteArray item = withoutMarkers(reply);
    if (item == "OK")
        return true;
    QByteArrayList fields;
    SplitByChar('^', item, fields);
    newsId = fields.value(0);
    newsTitle = fields.value(1);
    return true;
}

bool NewsService::FetchNewsList(const NewsRequest &request, QByteArrayList &list)
{
    const QByteArray reply = post("getlastnews.php", request, "conttype", "all");
    if (!reply.contains("OK")) {
        report(reply, Script::LastNews);
        return false;
    }
    QByteArrayList pieces;
    SplitByChar(kMarkerByte, reply, pieces);
    for (const QByteArray &piece : std::as_const(pieces)) {
        if (!piece.isEmpty() && piece != "OK")
            list.append(piece);
    }
    return true;
}

bool NewsService::FetchNewsDetails(const NewsRequest &request, const QByteArray &newsId, QByteArray &html)
{
    html.clear();
    const QByteArray reply = post("getnewsdetails.php", request, "newsid", newsId);
    if (!reply.contains("OK")) {
        report(reply, Script::NewsDetails);
        return false;
    }
    html = DecodeDollarHex(withoutMarkers(reply));
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
