#include "news/NewsReplies.h"

#include "branding/UUtils.h"

namespace vo {

namespace {

// The servers wrap "OK" in this marker: the macron sign of Windows-1252 before it.
constexpr char kMarkerByte = '\xAF';
const QByteArray kNewsMarker = QByteArrayLiteral("\xAF" "OK");

QByteArray withoutMarkers(QByteArray reply)
{
    return reply.replace(kNewsMarker, QByteArray());
}

bool accepted(const QByteArray &trimmedReply)
{
    return trimmedReply.contains("OK");
}

} // namespace

QByteArray TrimNewsReply(const QByteArray &reply)
{
    qsizetype first = 0;
    qsizetype end = reply.size();
    while (first < end && static_cast<unsigned char>(reply.at(first)) <= 32)
        ++first;
    while (end > first && static_cast<unsigned char>(reply.at(end - 1)) <= 32)
        --end;
    return reply.sliced(first, end - first);
}

LatestNewsReply ReadLatestNewsReply(const QByteArray &trimmedReply)
{
    LatestNewsReply latest;
    latest.accepted = accepted(trimmedReply);
    if (!latest.accepted)
        return latest;
    const QByteArray item = withoutMarkers(trimmedReply);
    if (item == "OK")
        return latest;
    QByteArrayList fields;
    SplitByChar('^', item, fields);
    latest.hasItem = true;
    latest.id = fields.value(0);
    latest.title = fields.value(1);
    return latest;
}

std::optional<QByteArrayList> ReadNewsListReply(const QByteArray &trimmedReply)
{
    if (!accepted(trimmedReply))
        return std::nullopt;
    QByteArrayList pieces;
    SplitByChar(kMarkerByte, trimmedReply, pieces);
    QByteArrayList items;
    for (const QByteArray &piece : std::as_const(pieces)) {
        if (!piece.isEmpty() && piece != "OK")
            items.append(piece);
    }
    return items;
}

std::optional<QByteArray> ReadNewsDetailsReply(const QByteArray &trimmedReply)
{
    if (!accepted(trimmedReply))
        return std::nullopt;
    return DecodeDollarHex(withoutMarkers(trimmedReply));
}

QByteArray NewsErrorText(const QByteArray &trimmedReply, NewsScript script)
{
    if (trimmedReply.isEmpty())
        return QByteArrayLiteral("There is a trouble accessing the news site. Contact your provider.");
    if (trimmedReply == "CONNECTIONFAIL")
        return QByteArrayLiteral("There is a trouble in the settings file on the news site.");
    if (trimmedReply == "INVALIDUSER")
        return QByteArrayLiteral("There is a trouble with the Publisher Id. Contact your provider.");
    if (trimmedReply == "INVALIDPRODUCT")
        return QByteArrayLiteral("There is a trouble with the product validation. Contact your provider.");
    if (trimmedReply == "INVALIDNEWS" && script == NewsScript::NewsDetails)
        return QByteArrayLiteral("There is a trouble with this news. Contact your provider.");
    return QByteArray();
}

} // namespace vo
