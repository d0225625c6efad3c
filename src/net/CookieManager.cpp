#include "net/CookieManager.h"

#include "net/Url.h"

#include <QHostAddress>

#include <algorithm>

namespace vo {

namespace {

bool isIpAddress(const QByteArray &host)
{
    QByteArray bare = host;
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    return QHostAddress().setAddress(QString::fromLatin1(bare));
}

// RFC 6265 domain-match: the host itself, or a host name below a domain name. An address
// matches only itself: "0.1" is no domain of 127.0.0.1, and 127.0.0.1 none of "x.127.0.0.1".
bool domainMatches(const QByteArray &host, const QByteArray &domain)
{
    const QByteArray h = host.toLower();
    return h == domain || (h.endsWith('.' + domain) && !isIpAddress(h) && !isIpAddress(domain));
}

bool sentTo(const TIdCookie &cookie, const QByteArray &host)
{
    return cookie.hostOnly ? host.toLower() == cookie.domain : domainMatches(host, cookie.domain);
}

// A control byte other than tab ends or splits the Cookie line the value would go back in; the
// reply reader leaves a lone CR or a NUL inside a header line, so such a cookie is refused whole.
bool hasControlBytes(const QByteArray &text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return true;
    }
    return false;
}

QByteArray unquoted(const QByteArray &value)
{
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

struct Attribute
{
    QByteArray name; // lower case
    QByteArray value;
};

Attribute splitAttribute(const QByteArray &part)
{
    const qsizetype eq = part.indexOf('=');
    if (eq < 0)
        return {part.trimmed().toLower(), QByteArray()};
    return {part.left(eq).trimmed().toLower(), unquoted(part.mid(eq + 1).trimmed())};
}

int monthFromName(const QByteArray &word)
{
    static const QByteArrayView months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                            "jul", "aug", "sep", "oct", "nov", "dec"};
    const QByteArray lower = word.left(3).toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == months[i])
            return i + 1;
    }
    return 0;
}

} // namespace

QDateTime parseCookieDate(const QByteArray &text)
{
    QByteArray spaced = text;
    for (char &c : spaced) {
        if (c == ',' || c == '-')
            c = ' ';
    }
    int day = 0, month = 0, year = -1;
    QTime time;
    for (const QByteArray &word : spaced.simplified().split(' ')) {
        bool number = false;
        const int n = word.toInt(&number);
        if (word.contains(':'))
            time = QTime::fromString(QString::fromLatin1(word), QStringLiteral("H:m:s"));
        else if (!number && month == 0)
            month = monthFromName(word);
        else if (number && word.size() <= 2 && day == 0)
            day = n;
        else if (number && year < 0)
            year = n;
    }
    if (year >= 0 && year < 70)
        year += 2000;
    else if (year >= 70 && year < 100)
        year += 1900;
    const QDate date(year, month, day);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

TIdCookieManager::TIdCookieManager(Clock now)
    : now_(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

void TIdCookieManager::AddServerCookie(const QByteArray &headerValue, const HttpUrl &requestUrl)
{
    if (hasControlBytes(headerValue))
        return;
    const QList<QByteArray> parts = headerValue.split(';');
    const qsizetype eq = parts.first().indexOf('=');
    if (eq <= 0)
        return;
    TIdCookie cookie;
    cookie.name = parts.first().left(eq).trimmed();
    cookie.value = unquoted(parts.first().mid(eq + 1).trimmed());
    if (cookie.name.isEmpty() || cookie.name.size() + cookie.value.size() > kMaxCookieBytes)
        return;

    std::optional<qint64> maxAge;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const Attribute a = splitAttribute(parts.at(i));
        if (a.name == "domain") {
            cookie.domain = a.value.toLower();
            while (cookie.domain.startsWith('.'))
                cookie.domain.remove(0, 1);
        } else if (a.name == "path") {
            cookie.path = a.value;
        } else if (a.name == "expires") {
            const QDateTime at = parseCookieDate(a.value);
            if (at.isValid())
                cookie.expires = at;
        } else if (a.name == "max-age") {
            bool ok = false;
            const qint64 seconds = a.value.toLongLong(&ok);
            if (ok)
                maxAge = seconds;
        } else if (a.name == "secure") {
            cookie.secure = true;
        }
    }
    if (maxAge)
        cookie.expires = now_().addSecs(*maxAge);
    cookie.hostOnly = cookie.domain.isEmpty();
    if (cookie.hostOnly)
        cookie.domain = requestUrl.host.toLower();
    // A domain without an inner dot ("com") would reach every site under it; only a host of that
    // very name may set it.
    else if (!cookie.domain.contains('.') && cookie.domain != requestUrl.host.toLower())
        return;
    else if (!domainMatches(requestUrl.host, cookie.domain))
        return;
    if (!cookie.path.startsWith('/'))
        cookie.path = requestUrl.directory();
    store(std::move(cookie));
}

void TIdCookieManager::store(TIdCookie cookie)
{
    cookies_.removeIf([&cookie](const TIdCookie &old) {
        return old.name == cookie.name && old.domain == cookie.domain && old.path == cookie.path;
    });
    // A cookie set with a past date is how a server deletes it.
    if (cookie.expires && *cookie.expires <= now_())
        return;
    makeRoomFor(cookie.domain);
    cookies_.append(std::move(cookie));
}

void TIdCookieManager::makeRoomFor(const QByteArray &domain)
{
    const auto inDomain = [&domain](const TIdCookie &c) { return c.domain == domain; };
    const auto full = [&] {
        return cookies_.size() >= kMaxCookies
            || std::count_if(cookies_.cbegin(), cookies_.cend(), inDomain) >= kMaxPerDomain;
    };
    if (!full())
        return;
    removeExpired();
    // The list keeps the order in which cookies were set: the oldest stands first.
    if (std::count_if(cookies_.cbegin(), cookies_.cend(), inDomain) >= kMaxPerDomain)
        cookies_.erase(std::find_if(cookies_.begin(), cookies_.end(), inDomain));
    if (cookies_.size() >= kMaxCookies)
        cookies_.removeFirst();
}

void TIdCookieManager::removeExpired()
{
    const QDateTime now = now_();
    cookies_.removeIf([&now](const TIdCookie &c) { return c.expires && *c.expires <= now; });
}

QByteArray TIdCookieManager::CookieHeaderFor(const HttpUrl &url)
{
    removeExpired();
    const QByteArray directory = url.directory();
    QList<const TIdCookie *> chosen;
    for (const TIdCookie &c : std::as_const(cookies_)) {
        if (!c.secure && !c.value.isEmpty() && sentTo(c, url.host)
            && directory.startsWith(c.path))
            chosen.append(&c);
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const TIdCookie *a, const TIdCookie *b) { return a->path > b->path; });
    QByteArray header;
    for (const TIdCookie *c : std::as_const(chosen)) {
        if (!header.isEmpty())
            header.append("; ");
        header.append(c->name).append('=').append(c->value);
    }
    return header;
}

} // namespace vo
