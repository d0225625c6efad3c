#include "net/CookieManager.h"
#include "net/Url.h"

#include <QTest>

using namespace vo;

namespace {

// A store whose clock the test moves.
struct Store
{
    QDateTime now = QDateTime(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
    TIdCookieManager cookies{[this] { return now; }};

    void set(const QByteArray &requestUrl, const QByteArray &header)
    {
        cookies.AddServerCookie(header, parseHttpUrl(requestUrl));
    }
    QByteArray sentTo(const QByteArray &url) { return cookies.CookieHeaderFor(parseHttpUrl(url)); }
};

} // namespace

class CookieManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void domainCookieGoesOnlyToItsDomain_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<bool>("sent");
        QTest::newRow("the domain") << QByteArray("http://example.com/") << true;
        QTest::newRow("sub-domain") << QByteArray("http://www.example.com/") << true;
        QTest::newRow("letter case") << QByteArray("http://WWW.Example.COM/") << true;
        QTest::newRow("other port") << QByteArray("http://example.com:8080/") << true;
        QTest::newRow("suffix without dot") << QByteArray("http://badexample.com/") << false;
        QTest::newRow("domain as prefix") << QByteArray("http://example.com.attacker.net/") << false;
        QTest::newRow("parent") << QByteArray("http://com/") << false;
    }

    void domainCookieGoesOnlyToItsDomain()
    {
        QFETCH(QByteArray, url);
        QFETCH(bool, sent);
        Store s;
        s.set("http://www.example.com/login.php", "sid=1; Domain=.Example.com; Path=/");
        QCOMPARE(s.sentTo(url), sent ? QByteArray("sid=1") : QByteArray());
    }

    void cookieForAForeignDomainIsDropped()
    {
        Store s;
        s.set("http://badexample.com/", "a=1; domain=example.com");
        s.set("http://example.com.attacker.net/", "b=2; domain=example.com");
        s.set("http://example.com/", "c=3; domain=www.example.com");
        QVERIFY(s.cookies.Cookies().isEmpty());
        QCOMPARE(s.sentTo("http://example.com/"), QByteArray());
        QCOMPARE(s.sentTo("http://www.example.com/"), QByteArray());
    }

    void cookieForATopLevelDomainIsDropped()
    {
        Store s;
        s.set("http://www.example.com/", "a=1; domain=com; path=/");
        s.set("http://www.example.com/", "b=2; domain=.com; path=/");
        QVERIFY(s.cookies.Cookies().isEmpty());
        QCOMPARE(s.sentTo("http://badexample.com/"), QByteArray());
        s.set("http://www.example.com/", "c=3; domain=.example.com; path=/");
        QCOMPARE(s.sentTo("http://example.com/"), QByteArray("c=3"));
        s.set("http://Intranet/", "d=4; domain=intranet; path=/");
        QCOMPARE(s.sentTo("http://intranet/"), QByteArray("d=4"));
    }

    void cookieWithControlBytesIsDropped_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("CR in the value") << QByteArray("sid=1\rX-Injected: 1; path=/");
        QTest::newRow("NUL as the name") << QByteArrayLiteral("\0=v; path=/");
        QTest::newRow("NUL in the value") << QByteArrayLiteral("sid=a\0b; path=/");
        QTest::newRow("LF in an attribute") << QByteArray("sid=1; path=/\nx");
        QTest::newRow("DEL in the value") << QByteArray("sid=a\x7f" "b; path=/");
    }

    void cookieWithControlBytesIsDropped()
    {
        QFETCH(QByteArray, header);
        Store s;
        s.set("http://h/", header);
        QVERIFY(s.cookies.Cookies().isEmpty());
        QCOMPARE(s.sentTo("http://h/"), QByteArray());
        // A tab is no control byte here: it may stand around the parts of the header.
        s.set("http://h/", "sid=1;\tpath=/");
        QCOMPARE(s.sentTo("http://h/"), QByteArray("sid=1"));
    }

    void cookieWithoutDomainTakesTheRequestHost()
    {
        Store s;
        s.set("http://Shop.Example/x/y.php", "k=v");
        QCOMPARE(s.cookies.Cookies().at(0).domain, QByteArray("shop.example"));
        QCOMPARE(s.cookies.Cookies().at(0).path, QByteArray("/x/"));
        QCOMPARE(s.sentTo("http://shop.example/x/z.php"), QByteArray("k=v"));
        QCOMPARE(s.sentTo("http://shop.example/other.php"), QByteArray());
    }

    void cookieWithoutDomainGoesOnlyToItsHost()
    {
        Store s;
        s.set("http://example.com/", "host=1; path=/");
        s.set("http://example.com/", "wide=2; domain=example.com; path=/");
        QCOMPARE(s.sentTo("http://Example.com/"), QByteArray("host=1; wide=2"));
        QCOMPARE(s.sentTo("http://www.example.com/"), QByteArray("wide=2"));
    }

    void addressDomainMatchesOnlyThatAddress()
    {
        Store s;
        s.set("http://127.0.0.1/", "suffix=1; Domain=0.1; path=/");
        s.set("http://127.0.0.1/", "exact=2; Domain=127.0.0.1; path=/");
        QCOMPARE(s.sentTo("http://127.0.0.1/"), QByteArray("exact=2"));
        QCOMPARE(s.sentTo("http://127.1.0.1/"), QByteArray());
        // A name that merely ends in the address is no host under it.
        QCOMPARE(s.sentTo("http://x.127.0.0.1/"), QByteArray());
    }

    void storeIsBoundedExpiredThenOldestFirst()
    {
        Store s;
        // One short-lived cookie among the first of a domain: once it has expired, it is the
        // first to make room, before any older live one.
        s.set("http://h.example/", "brief=x; Max-Age=10; path=/");
        for (int i = 0; i < TIdCookieManager::kMaxPerDomain - 1; ++i)
            s.set("http://h.example/", "c" + QByteArray::number(i) + "=v; path=/");
        s.now = s.now.addSecs(11);
        s.set("http://h.example/", "new1=v; path=/");
        QCOMPARE(s.cookies.Cookies().size(), TIdCookieManager::kMaxPerDomain);
        QVERIFY(s.sentTo("http://h.example/").startsWith("c0=v; c1=v;"));
        s.set("http://h.example/", "new2=v; path=/");
        QCOMPARE(s.cookies.Cookies().size(), TIdCookieManager::kMaxPerDomain);
        QVERIFY(s.sentTo("http://h.example/").startsWith("c1=v; c2=v;"));
        QVERIFY(s.sentTo("http://h.example/").endsWith("; new1=v; new2=v"));

        // Across domains the store holds kMaxCookies; the oldest domain's first cookie goes.
        for (int host = 0; s.cookies.Cookies().size() < TIdCookieManager::kMaxCookies; ++host) {
            for (int i = 0; i < TIdCookieManager::kMaxPerDomain; ++i)
                s.set("http://d" + QByteArray::number(host) + ".example/", "k" + QByteArray::number(i) + "=v");
        }
        s.set("http://last.example/", "k=v");
        QCOMPARE(s.cookies.Cookies().size(), TIdCookieManager::kMaxCookies);
        QVERIFY(s.sentTo("http://h.example/").startsWith("c2=v; c3=v;"));
        QCOMPARE(s.sentTo("http://last.example/"), QByteArray("k=v"));

        // A cookie over 4096 bytes is refused, as browsers refuse it.
        Store sizes;
        sizes.set("http://h/", "a=" + QByteArray(TIdCookieManager::kMaxCookieBytes - 1, 'v'));
        sizes.set("http://h/", "b=" + QByteArray(TIdCookieManager::kMaxCookieBytes, 'v'));
        QCOMPARE(sizes.cookies.Cookies().size(), 1);
        QCOMPARE(sizes.cookies.Cookies().at(0).name, QByteArray("a"));
    }

    void pathsArePrefixesOfTheDirectoryLongestFirst()
    {
        Store s;
        s.set("http://h/", "root=r; path=/");
        s.set("http://h/", "admin=a; path=/admin/");
        s.set("http://h/", "deep=d; path=/admin/tools/");
        s.set("http://h/", "file=f; path=/admin/page.php");
        QCOMPARE(s.sentTo("http://h/admin/tools/x.php"), QByteArray("deep=d; admin=a; root=r"));
        QCOMPARE(s.sentTo("http://h/admin/"), QByteArray("admin=a; root=r"));
        // "/admin" is not a prefix of the directory "/".
        QCOMPARE(s.sentTo("http://h/admin"), QByteArray("root=r"));
        QCOMPARE(s.sentTo("http://h/admin/page.php"), QByteArray("admin=a; root=r"));
    }

    void secureAndEmptyCookiesAreNeverSent()
    {
        Store s;
        s.set("http://h/", "safe=1; Secure; path=/");
        s.set("http://h/", "blank=; path=/");
        s.set("http://h/", "quoted=\"\"; path=/");
        s.set("http://h/", "ok=2; path=/");
        QCOMPARE(s.sentTo("http://h/"), QByteArray("ok=2"));
    }

    void newerCookieReplacesTheOlder()
    {
        Store s;
        s.set("http://h/", "sid=old; path=/");
        s.set("http://h/", "SID=other; path=/");
        s.set("http://h/", "sid=new; path=/");
        QCOMPARE(s.sentTo("http://h/"), QByteArray("SID=other; sid=new"));
    }

    void expiryByMaxAgeAndExpires()
    {
        Store s;
        s.set("http://h/", "short=1; Max-Age=60; path=/");
        s.set("http://h/", "dated=2; expires=Mon, 01-Jun-2026 12:30:00 GMT; path=/");
        s.set("http://h/", "ageWins=3; Max-Age=3600; Expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/");
        s.set("http://h/", "session=4; path=/");
        QCOMPARE(s.sentTo("http://h/"), QByteArray("short=1; dated=2; ageWins=3; session=4"));
        s.now = s.now.addSecs(61);
        QCOMPARE(s.sentTo("http://h/"), QByteArray("dated=2; ageWins=3; session=4"));
        s.now = s.now.addSecs(30 * 60);
        QCOMPARE(s.sentTo("http://h/"), QByteArray("ageWins=3; session=4"));
        QCOMPARE(s.cookies.Cookies().size(), 2);
    }

    void pastDateDeletesTheCookie()
    {
        Store s;
        s.set("http://h/", "sid=1; path=/");
        s.set("http://h/", "sid=gone; path=/; expires=Wed, 09 Jun 2021 10:18:14 GMT");
        QCOMPARE(s.sentTo("http://h/"), QByteArray());
        s.set("http://h/", "sid=2; path=/");
        s.set("http://h/", "sid=x; path=/; max-age=0");
        QVERIFY(s.cookies.Cookies().isEmpty());
    }

    void setCookie2ValuesAreUnquoted()
    {
        Store s;
        s.set("http://h/a/b", "lang=\"en\"; Version=\"1\"; Path=\"/a\"");
        QCOMPARE(s.sentTo("http://h/a/c"), QByteArray("lang=en"));
    }

    void malformedHeadersStoreNothing()
    {
        Store s;
        s.set("http://h/", "");
        s.set("http://h/", "novalue");
        s.set("http://h/", "=v; path=/");
        QVERIFY(s.cookies.Cookies().isEmpty());
    }

    void cookieDatesInTheirUsualForms_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDateTime>("at");
        const QDateTime at(QDate(2027, 3, 4), QTime(5, 6, 7), Qt::UTC);
        QTest::newRow("netscape") << QByteArray("Thu, 04-Mar-2027 05:06:07 GMT") << at;
        QTest::newRow("rfc 1123") << QByteArray("Thu, 04 Mar 2027 05:06:07 GMT") << at;
        QTest::newRow("rfc 850") << QByteArray("Thursday, 04-Mar-27 05:06:07 GMT") << at;
        QTest::newRow("asctime") << QByteArray("Thu Mar  4 05:06:07 2027") << at;
        QTest::newRow("two-digit 1990s") << QByteArray("Sun, 04-Mar-99 05:06:07 GMT")
                                         << QDateTime(QDate(1999, 3, 4), QTime(5, 6, 7), Qt::UTC);
        QTest::newRow("no time") << QByteArray("Thu, 04 Mar 2027") << QDateTime();
        QTest::newRow("bad month") << QByteArray("Thu, 04 Foo 2027 05:06:07") << QDateTime();
    }

    void cookieDatesInTheirUsualForms()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDateTime, at);
        QCOMPARE(parseCookieDate(text), at);
    }
};

QTEST_GUILESS_MAIN(CookieManagerTest)
#include "CookieManagerTest.moc"
