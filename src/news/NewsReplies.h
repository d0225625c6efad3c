#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

// How the news servers' replies are read, apart from the requests that fetch them. Every reader
// takes the reply already trimmed (TrimNewsReply); a failed request reads as the empty reply.
namespace vo {

// The script whose error words apply: only the details script knows "INVALIDNEWS".
enum class NewsScript { LastNews, NewsDetails };

// Every leading and trailing byte of value 32 or lower removed.
QByteArray TrimNewsReply(const QByteArray &reply);

struct LatestNewsReply
{
    bool accepted = false; // the reply holds "OK"
    bool hasItem = false;  // false for "OK" alone: there is no news
    QByteArray id;
    QByteArray title;
};
LatestNewsReply ReadLatestNewsReply(const QByteArray &trimmedReply);

// The items of the list, in the order sent; nullopt when the reply holds no "OK".
std::optional<QByteArrayList> ReadNewsListReply(const QByteArray &trimmedReply);

// The item's text decoded to HTML; nullopt when the reply holds no "OK".
std::optional<QByteArray> ReadNewsDetailsReply(const QByteArray &trimmedReply);

// The words shown for an error reply, empty for a reply that has none.
QByteArray NewsErrorText(const QByteArray &trimmedReply, NewsScript script);

} // namespace vo
