#include "net/IdExceptions.h"
#include "net/Url.h"

#include <QTest>

using namespace vo;

class UrlTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatTheSellerTyped_data()
    {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("hostHeader");
        QTest::newRow("plain") << QByteArray("http://shop.example/actions.php") << QByteArray("shop.example") << 80
                               << QByteArray("/actions.php") << QByteArray("shop.example");
        QTest::newRow("port 8080") << QByteArray("http://shop.example:8080/a") << QByteArray("shop.example") << 8080
                                   << QByteArray("/a") << QByteArray("shop.example:8080");
        QTest::newRow("port 80 named") << QByteArray("http://h:80/a") << QByteArray("h") << 80 << QByteArray("/a")
                                       << QByteArray("h");
        QTest::newRow("empty port") << QByteArray("http://h:/a") << QByteArray("h") << 80 << QByteArray("/a")
                                    << QByteArray("h");
        QTest::newRow("scheme case") << QByteArray("hTTp://H/x") << QByteArray("H") << 80 << QByteArray("/x")
                                     << QByteArray("H");
        QTest::newRow("user info") << QByteArray("http://me:p@ss@h:81/x") << QByteArray("h") << 81
                                   << QByteArray("/x") << QByteArray("h:81");
        QTest::newRow("backslashes") << QByteArray("http:\\\\h\\dir\\a.php") << QByteArray("h") << 80
                                     << QByteArray("/dir/a.php") << QByteArray("h");
        QTest::newRow("double slash") << QByteArray("http://h/site//actions.php") << QByteArray("h") << 80
                                      << QByteArray("/site//actions.php") << QByteArray("h");
        QTest::newRow("fragment") << QByteArray("http://h/a?b=1#frag") << QByteArray("h") << 80
                                  << QByteArray("/a?b=1") << QByteArray("h");
        QTest::newRow("nothing after host") << QByteArray("http://h") << QByteArray("h") << 80 << QByteArray("/")
                                            << QByteArray("h");
        QTest::newRow("query right after host") << QByteArray("http://h:99?q") << QByteArray("h") << 99
                                                << QByteArray("/?q") << QByteArray("h:99");
    }

    void readsWhatTheSellerTyped()
    {
        QFETCH(QByteArray, url);
        const HttpUrl parsed = parseHttpUrl(url);
        QTEST(parsed.host, "host");
        QTEST(int(parsed.port), "port");
        QTEST(parsed.target, "target");
        QTEST(parsed.hostHeader(), "hostHeader");
    }

    void refusesWhatCannotBeSent()
    {
        QVERIFY_THROWS_EXCEPTION(EIdIOHandlerPropInvalid, parseHttpUrl("https://h/"));
        QVERIFY_THROWS_EXCEPTION(EIdIOHandlerPropInvalid, parseHttpUrl("HttpS://h/"));
        QVERIFY_THROWS_EXCEPTION(EIdUnknownProtocol, parseHttpUrl("ftp://h/"));
        QVERIFY_THROWS_EXCEPTION(EIdUnknownProtocol, parseHttpUrl("httpx://h/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("www.shop.example/actions.php"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("://h/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http:///actions.php"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http://:8080/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http://user@/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http://h:http/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http://h:70000/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl("http://h:+80/"));
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, parseHttpUrl(""));
    }

    void directoryIsTheCookieScope()
    {
        QCOMPARE(parseHttpUrl("http://h/a/b.php?x=/y/z").directory(), QByteArray("/a/"));
        QCOMPARE(parseHttpUrl("http://h").directory(), QByteArray("/"));
        QCOMPARE(parseHttpUrl("http://h/a/b/").directory(), QByteArray("/a/b/"));
    }

    void locationsResolve_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("target");
        // All relative to http://h:8080/a/b/c.php?q=1
        QTest::newRow("absolute url") << QByteArray("http://other/x") << QByteArray("other") << 80 << QByteArray("/x");
        QTest::newRow("absolute url kept as is") << QByteArray("http://o/x/../y") << QByteArray("o") << 80
                                                 << QByteArray("/x/../y");
        QTest::newRow("scheme-relative") << QByteArray("//o:81/p") << QByteArray("o") << 81 << QByteArray("/p");
        QTest::newRow("absolute path") << QByteArray("/z.php") << QByteArray("h") << 8080 << QByteArray("/z.php");
        QTest::newRow("sibling") << QByteArray("d.php") << QByteArray("h") << 8080 << QByteArray("/a/b/d.php");
        QTest::newRow("dot") << QByteArray("./d.php") << QByteArray("h") << 8080 << QByteArray("/a/b/d.php");
        QTest::newRow("dot-dot") << QByteArray("../d.php") << QByteArray("h") << 8080 << QByteArray("/a/d.php");
        QTest::newRow("dot-dot twice") << QByteArray("../../d") << QByteArray("h") << 8080 << QByteArray("/d");
        QTest::newRow("above root") << QByteArray("../../../../d") << QByteArray("h") << 8080 << QByteArray("/d");
        QTest::newRow("trailing dot-dot") << QByteArray("x/..") << QByteArray("h") << 8080 << QByteArray("/a/b/");
        QTest::newRow("query untouched") << QByteArray("../e?p=../q") << QByteArray("h") << 8080
                                         << QByteArray("/a/e?p=../q");
        QTest::newRow("URL in the query") << QByteArray("n.php?back=http://a.example/x") << QByteArray("h") << 8080
                                          << QByteArray("/a/b/n.php?back=http://a.example/x");
        QTest::newRow("colon after the first slash") << QByteArray("x/y:z") << QByteArray("h") << 8080
                                                     << QByteArray("/a/b/x/y:z");
        QTest::newRow("query only") << QByteArray("?r=2") << QByteArray("h") << 8080 << QByteArray("/a/b/c.php?r=2");
        QTest::newRow("fragment dropped") << QByteArray("e#x") << QByteArray("h") << 8080 << QByteArray("/a/b/e");
        QTest::newRow("backslash") << QByteArray("..\\e") << QByteArray("h") << 8080 << QByteArray("/a/e");
    }

    void locationsResolve()
    {
        QFETCH(QByteArray, location);
        const HttpUrl base = parseHttpUrl("http://h:8080/a/b/c.php?q=1");
        const HttpUrl to = resolveLocation(base, location);
        QTEST(to.host, "host");
        QTEST(int(to.port), "port");
        QTEST(to.target, "target");
    }

    void locationToHttpsFails()
    {
        QVERIFY_THROWS_EXCEPTION(EIdIOHandlerPropInvalid, resolveLocation(parseHttpUrl("http://h/"), "https://h/"));
        // A scheme before the first "/" makes the value absolute, and this one names no host.
        QVERIFY_THROWS_EXCEPTION(EIdMalformedURL, resolveLocation(parseHttpUrl("http://h/"), "mailto:a@b?x=/y"));
        // Relative or not, a value with a blank or a control byte inside never becomes a target.
        QVERIFY_THROWS_EXCEPTION(EIdUnsendableURL, resolveLocation(parseHttpUrl("http://h/"), QByteArray("?n\0e", 4)));
        QVERIFY_THROWS_EXCEPTION(EIdUnsendableURL, resolveLocation(parseHttpUrl("http://h/"), "a b.php"));
    }
};

QTEST_GUILESS_MAIN(UrlTest)
#include "UrlTest.moc"
