// Set-Cookie values and cookie dates, as any server the client talks to may send them.
#include "FuzzSupport.h"

#include "net/CookieManager.h"
#include "net/Url.h"

#include <QLocale>

namespace {

using namespace vo::fuzz;

const QDateTime kNow(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

vo::HttpUrl urlOf(const char *host, const char *target)
{
    vo::HttpUrl url;
    url.host = host;
    url.target = target;
    return url;
}

bool withinDomain(const QByteArray &host, const QByteArray &domain)
{
    return host == domain || host.endsWith('.' + domain);
}

void checkDate(const QByteArray &text)
{
    const QDateTime date = vo::parseCookieDate(text);
    if (date.isValid())
        FUZZ_CHECK(date.timeSpec() == Qt::UTC);
}

// A date written the way servers write it reads back as that moment.
void checkDateRoundTrip(quint32 seconds)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QLocale c = QLocale::c();
    const QString netscape = c.toString(at, QStringLiteral("ddd, dd-MMM-yyyy hh:mm:ss 'GMT'"));
    const QString rfc1123 = c.toString(at, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    FUZZ_CHECK(vo::parseCookieDate(netscape.toLatin1()) == at);
    FUZZ_CHECK(vo::parseCookieDate(rfc1123.toLatin1()) == at);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const vo::HttpUrl from[] = {urlOf("www.example.com", "/shop/cart.php"), urlOf("Example.COM", "/"),
                                urlOf("news.example.com", "/a/b/getlastnews.php?x=1")};
    checkDateRoundTrip(input.ConsumeIntegral<quint32>());
    vo::TIdCookieManager cookies([] { return kNow; });
    while (input.remaining_bytes() > 0) {
        const vo::HttpUrl &url = from[input.ConsumeIntegralInRange<std::size_t>(0, std::size(from) - 1)];
        const QByteArray value = takeBytes(input, 160);
        checkDate(value);
        cookies.AddServerCookie(value, url);
    }

    FUZZ_CHECK(cookies.Cookies().size() <= vo::TIdCookieManager::kMaxCookies);
    for (const vo::TIdCookie &cookie : cookies.Cookies()) {
        FUZZ_CHECK(cookie.name.size() + cookie.value.size() <= vo::TIdCookieManager::kMaxCookieBytes);
        FUZZ_CHECK(!cookie.name.isEmpty());
        FUZZ_CHECK(cookie.domain == cookie.domain.toLower() && !cookie.domain.startsWith('.'));
        // Every cookie belongs to a host that set it, or to a domain that host is in.
        FUZZ_CHECK(withinDomain("www.example.com", cookie.domain) || withinDomain("example.com", cookie.domain)
                   || withinDomain("news.example.com", cookie.domain));
        FUZZ_CHECK(!cookie.expires || *cookie.expires > kNow);
    }

    for (const vo::HttpUrl &url : from) {
        const QByteArray header = cookies.CookieHeaderFor(url);
        // The header goes on the wire as one line.
        FUZZ_CHECK(!header.contains('\r') && !header.contains('\n') && !header.contains('\0'));
    }
    FUZZ_CHECK(cookies.CookieHeaderFor(urlOf("badexample.com", "/")).isEmpty());
    FUZZ_CHECK(cookies.CookieHeaderFor(urlOf("example.com.attacker.net", "/")).isEmpty());
    return 0;
}
