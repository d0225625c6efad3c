#pragma once

#include <QByteArray>
#include <QList>

namespace vo::demo {

class FormFields;

// One item of the demo's member news.
struct NewsItem
{
    int id;
    QByteArray title;
    QByteArray published;
    QByteArray html;
};

// A publisher's news server for one tier: "getlastnews.php" (the newest item, or the whole
// list) and "getnewsdetails.php" (one item's text), answering in the words the console reads.
// Every success carries the news marker, the byte 0xAF followed by "OK"; texts go out with "$"
// and every byte outside printable ASCII written as "$" and two hexadecimal digits.
class NewsScripts
{
public:
    // The publisher id and tier code ("BM", "BP", "BG") this server answers for.
    NewsScripts(QByteArray publisherId, QByteArray tierCode);

    QByteArray lastNews(const QByteArray &contentType, const QByteArray &body) const;
    QByteArray newsDetails(const QByteArray &contentType, const QByteArray &body) const;

    // The demo's items, newest first.
    static const QList<NewsItem> &items();
    static QByteArray dollarEscaped(const QByteArray &text);

    static constexpr char kMarker[] = "\xAF" "OK";

private:
    // The reason a form is refused, empty when it is this server's member asking.
    QByteArray refusal(const FormFields &form) const;

    QByteArray publisherId_;
    QByteArray tierCode_;
};

} // namespace vo::demo
