#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <functional>
#include <optional>

namespace vo {

struct HttpUrl;

// One cookie as a server set it.
struct TIdCookie
{
    QByteArray name;
    QByteArray value;
    QByteArray domain; // lower case, without a leading "."
    // Set without a Domain attribute: goes back to that very host only, never to its sub-domains.
    bool hostOnly = false;
    QByteArray path;
    std::optional<QDateTime> expires; // none: lives for the run
    bool secure = false;
};

// The client's cookie store, in memory for the run. A cookie goes back only to its own
// domain or a sub-domain of it: "example.com" is never sent to "badexample.com" or to
// "example.com.attacker.net", and a server cannot set a cookie for a domain it is not in.
// A domain that is an IP address stands for that address alone. The store is bounded as
// RFC 6265 allows: when full, expired cookies go first, then the oldest.
class TIdCookieManager
{
public:
    using Clock = std::function<QDateTime()>;

    static constexpr qsizetype kMaxPerDomain = 50;
    static constexpr qsizetype kMaxCookies = 3000;
    // Name and value together; a larger cookie is refused, as browsers refuse it.
    static constexpr qsizetype kMaxCookieBytes = 4096;

    // `now` defaults to the system clock (UTC); tests give their own.
    explicit TIdCookieManager(Clock now = {});

    // One Set-Cookie or Set-Cookie2 header value from a reply to `requestUrl`.
    void AddServerCookie(const QByteArray &headerValue, const HttpUrl &requestUrl);

    // Drops expired cookies, then returns the Cookie header value for a request to `url`
    // ("name=value; name=value", longest-sorting path first), empty when none applies.
    QByteArray CookieHeaderFor(const HttpUrl &url);

    const QList<TIdCookie> &Cookies() const { return cookies_; }

private:
    void removeExpired();
    void store(TIdCookie cookie);
    void makeRoomFor(const QByteArray &domain);

    Clock now_;
    QList<TIdCookie> cookies_;
};

// Cookie date formats seen in the wild ("Wdy, DD-Mon-YYYY HH:MM:SS GMT", RFC 1123,
// RFC 850, asctime); all read as UTC. Invalid when no day, month, year and time are found.
QDateTime parseCookieDate(const QByteArray &text);

} // namespace vo
