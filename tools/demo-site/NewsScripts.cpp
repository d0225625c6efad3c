#include "NewsScripts.h"

#include "MultipartParser.h"

namespace vo::demo {

NewsScripts::NewsScripts(QByteArray publisherId, QByteArray tierCode)
    : publisherId_(std::move(publisherId)), tierCode_(std::move(tierCode))
{
}

const QList<NewsItem> &NewsScripts::items()
{
    static const QList<NewsItem> news{
        {3, QByteArrayLiteral("Version 2.01 is out"), QByteArrayLiteral("2026-11-20"),
         QByteArrayLiteral("<h2>Version 2.01 is out</h2><p>The console now checks for updates by itself at start "
                           "and keeps your last read news across restarts.</p><p>Members pay $0 for the update.</p>")},
        {2, QByteArrayLiteral("Selling bundles"), QByteArrayLiteral("2026-10-02"),
         QByteArrayLiteral("<h2>Selling bundles</h2><p>Put several archives in one product folder and sell them as "
                           "one download: a bundle at $19 sells better than three items at $7.</p>")},
        {1, QByteArrayLiteral("Welcome to the member news"), QByteArrayLiteral("2026-09-01"),
         QByteArrayLiteral("<h2>Welcome</h2><p>News for members appears here. Select an item to read it; "
                           "the balloon at the News button tells you when something new has come in. "
                           "Caf\xE9 cr\xE8me for everyone!</p>")},
    };
    return news;
}

QByteArray NewsScripts::dollarEscaped(const QByteArray &text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '$' || byte < 0x20 || byte >= 0x7F) {
            out += '$';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray NewsScripts::refusal(const FormFields &form) const
{
    if (form.value(QByteArrayLiteral("memusername")).value_or(QByteArray()) != publisherId_)
        return QByteArrayLiteral("INVALIDUSER");
    if (form.value(QByteArrayLiteral("prodtype")).value_or(QByteArray()) != tierCode_)
        return QByteArrayLiteral("INVALIDPRODUCT");
    return QByteArray();
}

QByteArray NewsScripts::lastNews(const QByteArray &contentType, const QByteArray &body) const
{
    const std::optional<FormFields> form = MultipartParser::parse(contentType, body);
    if (!form)
        return QByteArray(); // the console reads an empty reply as a server in trouble
    if (const QByteArray refused = refusal(*form); !refused.isEmpty())
        return refused;
    const QByteArray kind = form->value(QByteArrayLiteral("conttype")).value_or(QByteArray());
    if (kind == "lastcode") {
        const NewsItem &newest = items().constFirst();
        return QByteArray::number(newest.id) + '^' + newest.title + kMarker;
    }
    if (kind == "all") {
        QByteArray reply;
        for (const NewsItem &item : items())
            reply += QByteArray::number(item.id) + '^' + item.title + '^' + item.published + '\xAF';
        return reply + "OK";
    }
    return QByteArray();
}

QByteArray NewsScripts::newsDetails(const QByteArray &contentType, const QByteArray &body) const
{
    const std::optional<FormFields> form = MultipartParser::parse(contentType, body);
    if (!form)
        return QByteArray();
    if (const QByteArray refused = refusal(*form); !refused.isEmpty())
        return refused;
    const QByteArray id = form->value(QByteArrayLiteral("newsid")).value_or(QByteArray());
    for (const NewsItem &item : items()) {
        if (QByteArray::number(item.id) == id)
            return dollarEscaped(item.html) + kMarker;
    }
    return QByteArrayLiteral("INVALIDNEWS");
}

} // namespace vo::demo
