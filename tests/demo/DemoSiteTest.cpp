// Drives vantrel-demo-site the way the console does: multipart posts to actions.php, sent as
// HTTP/1.0 with the console's boundary shape, and reads every reply byte for byte.
#include "common/DemoSiteProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Fields = QList<QPair<QByteArray, QByteArray>>;

const QByteArray kBoundary = QByteArrayLiteral("--------120926064512345");

// The console's form: every field as a part, then the closing delimiter after an empty line.
QByteArray formBody(const Fields &fields)
{
    QByteArray body;
    for (const auto &[name, value] : fields) {
        body += "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value
            + "\r\n";
    }
    return body + "\r\n--" + kBoundary + "--\r\n";
}

struct HttpReply
{
    int status = 0;
    QByteArray headers;
    QByteArray body;
};

HttpReply exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(10000))
        return {};
    socket.write(request);
    QByteArray data;
    // The site closes the connection after its reply.
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
        data += socket.readAll();
    data += socket.readAll();

    HttpReply reply;
    const qsizetype split = data.indexOf("\r\n\r\n");
    if (split < 0)
        return reply;
    reply.headers = data.left(split + 2);
    reply.body = data.mid(split + 4);
    reply.status = data.split(' ').value(1).toInt();
    return reply;
}

QByteArray postRequest(quint16 port, const QByteArray &target, const QByteArray &contentType, const QByteArray &body)
{
    return "POST " + target + " HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: " + contentType
        + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nHost: 127.0.0.1:"
        + QByteArray::number(port) + "\r\nAccept: text/html, */*\r\n"
        + "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)\r\n\r\n" + body;
}

QByteArray getRequest(quint16 port, const QByteArray &target)
{
    return "GET " + target + " HTTP/1.1\r\nConnection: keep-alive\r\nContent-Type: text/html\r\nHost: 127.0.0.1:"
        + QByteArray::number(port) + "\r\nAccept: text/html, */*\r\n\r\n";
}

} // namespace

class DemoSiteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void emptySiteAnswersEveryAction();
    void addsListsAndGetsProducts();
    void updateRenewsTheCodeOnlyOnRename();
    void deletesByKeysOrAll();
    void refusesValuesTheRowCannotCarry_data();
    void refusesValuesTheRowCannotCarry();
    void malformedBodiesAreBad_data();
    void malformedBodiesAreBad();
    void productsSurviveARestart();
    void thanksPageNeedsTheProductsKey();
    void answersPlainGets();
    void seedsOnlyANewDatabase();
    void aTakenPortIsAnError();
    void newsOfTheDemoTier();
    void newsRefusesOtherMembers();
    void updateDescription();

private:
    HttpReply post(const QByteArray &contentType, const QByteArray &body, const QByteArray &target = "/actions.php");
    // The reply of one action; "HTTP <status>" when the status is not 200.
    QByteArray act(const Fields &fields, const QByteArray &target = "/actions.php");
    QByteArray add(const QByteArray &name, const QByteArray &folder = "f", const QByteArray &thanks = "t.html");
    // Fields 0..5 of a product's row from action 5; empty when it is not found.
    QList<QByteArray> product(const QByteArray &key);
    QList<QByteArray> listKeys();
    // A news request as the console posts it: six fields, the empty "something" last.
    QByteArray news(const QByteArray &script, const QByteArray &fourthName, const QByteArray &fourthValue,
                    const QByteArray &publisher = "demo", const QByteArray &tier = "BM");
    // Stops the site with SIGTERM, checks that it ended cleanly, and starts it on the same data.
    void restartSite(const QStringList &extra = {});

    std::unique_ptr<QTemporaryDir> dataDir_;
    std::unique_ptr<vo::test::SiteProcess> site_;
};

void DemoSiteTest::init()
{
    dataDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dataDir_->isValid());
    site_ = std::make_unique<vo::test::SiteProcess>();
    QVERIFY(site_->start(dataDir_->path()) != 0);
}

void DemoSiteTest::cleanup()
{
    QVERIFY(site_->stopCleanly());
    site_.reset();
    dataDir_.reset();
}

void DemoSiteTest::restartSite(const QStringList &extra)
{
    QVERIFY(site_->stopCleanly());
    site_ = std::make_unique<vo::test::SiteProcess>();
    QVERIFY(site_->start(dataDir_->path(), extra) != 0);
}

HttpReply DemoSiteTest::post(const QByteArray &contentType, const QByteArray &body, const QByteArray &target)
{
    return exchange(site_->port(), postRequest(site_->port(), target, contentType, body));
}

QByteArray DemoSiteTest::act(const Fields &fields, const QByteArray &target)
{
    const HttpReply reply = post("multipart/form-data; boundary=" + kBoundary,
                                 formBody(Fields(fields) << qMakePair(QByteArray("end"), QByteArray())), target);
    return reply.status == 200 ? reply.body : "HTTP " + QByteArray::number(reply.status);
}

QByteArray DemoSiteTest::add(const QByteArray &name, const QByteArray &folder, const QByteArray &thanks)
{
    return act({{"action", "4"}, {"prodname", name}, {"prodfolder", folder}, {"prodthankspage", thanks}});
}

QList<QByteArray> DemoSiteTest::product(const QByteArray &key)
{
    QByteArray reply = act({{"action", "5"}, {"prodcod", key}});
    if (!reply.endsWith("^OK") || reply == "^OK")
        return {};
    reply.chop(3);
    // Strip the outer quotes, then split at the quote-comma-quote separators.
    return reply.mid(1, reply.size() - 2).split('"').join().split(',');
}

QList<QByteArray> DemoSiteTest::listKeys()
{
    QList<QByteArray> keys;
    const QByteArray reply = act({{"action", "3"}});
    for (const QByteArray &r : reply.chopped(3).split('^')) {
        if (!r.isEmpty())
            keys.append(r.mid(1, r.indexOf('"', 1) - 1));
    }
    return keys;
}

QByteArray DemoSiteTest::news(const QByteArray &script, const QByteArray &fourthName, const QByteArray &fourthValue,
                               const QByteArray &publisher, const QByteArray &tier)
{
    const HttpReply reply = post("multipart/form-data; boundary=" + kBoundary,
                                 formBody({{"memusername", publisher}, {"prodcode", "DEMO"}, {"prodtype", tier},
                                           {fourthName, fourthValue}, {"newstarget", "UA"}, {"something", ""}}),
                                 script);
    return reply.status == 200 ? reply.body : "HTTP " + QByteArray::number(reply.status);
}

void DemoSiteTest::emptySiteAnswersEveryAction()
{
    // The console's server check is exactly this 185-byte body.
    QCOMPARE(formBody({{"action", "1"}, {"end", ""}}).size(), 185);
    QCOMPARE(act({{"action", "1"}}), QByteArray("OK"));
    QCOMPARE(act({{"action", "3"}}), QByteArray("^OK"));
    QCOMPARE(act({{"action", "5"}, {"prodcod", "1"}}), QByteArray("^OK"));
    QCOMPARE(act({{"action", "6"}, {"prodcod", "1"}, {"prodname", "A"}, {"prodfolder", "f"}, {"prodthankspage", "t"}}),
             QByteArray("DON'T EXIST RECORD"));
    QCOMPARE(act({{"action", "2"}, {"deleteids", "all"}}), QByteArray("OK"));
    QCOMPARE(act({{"action", "7"}}), QByteArray("BAD"));
    QCOMPARE(act({{"action", "01"}}), QByteArray("BAD"));
    QCOMPARE(act({{"deleteids", "all"}}), QByteArray("BAD"));
    // A site URL that ends in "/" makes the console post to "//actions.php".
    QCOMPARE(act({{"action", "1"}}, "//actions.php"), QByteArray("OK"));
    QCOMPARE(act({{"action", "1"}}, "/other.php"), QByteArray("HTTP 404"));
}

void DemoSiteTest::addsListsAndGetsProducts()
{
    QCOMPARE(add("Alpha", "alpha files", "thanks 100%.html"), QByteArray("OK"));
    QCOMPARE(add("Beta", "b", "tb"), QByteArray("OK"));
    QCOMPARE(add("Alpha", "other", "other"), QByteArray("EXIST RECORD"));
    QCOMPARE(add("alpha", "lower case is another name", "x"), QByteArray("OK"));

    const QByteArray list = act({{"action", "3"}});
    const QRegularExpression shape(QStringLiteral(
        "^\"(\\d+)\",\"Alpha\",\"alpha files\",\"thanks 100%\\.html\",\"([0-9A-F]{12})\""
        "\\^\"(\\d+)\",\"Beta\",\"b\",\"tb\",\"([0-9A-F]{12})\""
        "\\^\"(\\d+)\",\"alpha\",\"lower case is another name\",\"x\",\"([0-9A-F]{12})\"\\^OK$"));
    const QRegularExpressionMatch m = shape.match(QString::fromLatin1(list));
    QVERIFY2(m.hasMatch(), list.constData());
    QCOMPARE(QSet<QString>({m.captured(2), m.captured(4), m.captured(6)}).size(), 3);

    const QByteArray alphaKey = m.captured(1).toLatin1();
    const QByteArray reply = act({{"action", "5"}, {"prodcod", alphaKey}});
    QVERIFY2(QRegularExpression(QStringLiteral("^\"%1\",\"Alpha\",\"alpha files\",\"thanks 100%\\.html\",\"%2\",\"[0-9a-f]{32}\"\\^OK$")
                                    .arg(m.captured(1), m.captured(2)))
                 .match(QString::fromLatin1(reply))
                 .hasMatch(),
             reply.constData());
    QCOMPARE(act({{"action", "5"}, {"prodcod", "999"}}), QByteArray("^OK"));
    QCOMPARE(act({{"action", "5"}, {"prodcod", " " + alphaKey}}), QByteArray("^OK"));
}

void DemoSiteTest::updateRenewsTheCodeOnlyOnRename()
{
    QCOMPARE(add("Alpha"), QByteArray("OK"));
    QCOMPARE(add("Beta"), QByteArray("OK"));
    const QList<QByteArray> keys = listKeys();
    QCOMPARE(keys.size(), 2);
    const QList<QByteArray> before = product(keys.at(0));
    QCOMPARE(before.size(), 6);

    const auto update = [&](const QByteArray &key, const QByteArray &name, const QByteArray &folder) {
        return act({{"action", "6"}, {"prodcod", key}, {"prodname", name}, {"prodfolder", folder},
                    {"prodthankspage", "new.html"}},
                   "//actions.php");
    };
    QCOMPARE(update(keys.at(0), "Alpha", "moved"), QByteArray("OK"));
    const QList<QByteArray> moved = product(keys.at(0));
    QCOMPARE(moved, (QList<QByteArray>{keys.at(0), "Alpha", "moved", "new.html", before.at(4), before.at(5)}));

    QCOMPARE(update(keys.at(0), "Gamma", "moved"), QByteArray("OK"));
    const QList<QByteArray> renamed = product(keys.at(0));
    QCOMPARE(renamed.value(1), QByteArray("Gamma"));
    QVERIFY(renamed.value(4) != before.at(4));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{12}$")).match(QString::fromLatin1(renamed.value(4))).hasMatch());
    QCOMPARE(renamed.value(5), before.at(5)); // the thanks key is made once

    QCOMPARE(update(keys.at(0), "Beta", "x"), QByteArray("EXIST RECORD"));
    QCOMPARE(product(keys.at(0)), renamed);
    QCOMPARE(update("999", "Delta", "x"), QByteArray("DON'T EXIST RECORD"));
    QCOMPARE(update("abc", "Delta", "x"), QByteArray("DON'T EXIST RECORD"));
    QCOMPARE(listKeys(), keys);
}

void DemoSiteTest::deletesByKeysOrAll()
{
    for (const char *name : {"A", "B", "C", "D"})
        QCOMPARE(add(name), QByteArray("OK"));
    const QList<QByteArray> keys = listKeys();
    QCOMPARE(keys.size(), 4);

    QCOMPARE(act({{"action", "2"}, {"deleteids", keys.at(0) + ",x"}}), QByteArray("BAD"));
    QCOMPARE(listKeys(), keys);
    QCOMPARE(act({{"action", "2"}, {"deleteids", keys.at(0) + "," + keys.at(2) + ",999"}}), QByteArray("OK"));
    QCOMPARE(listKeys(), (QList<QByteArray>{keys.at(1), keys.at(3)}));
    QCOMPARE(act({{"action", "2"}, {"deleteids", "all"}}), QByteArray("OK"));
    QCOMPARE(act({{"action", "3"}}), QByteArray("^OK"));

    // A deleted product's key is never given to a new one.
    QCOMPARE(add("E"), QByteArray("OK"));
    QVERIFY(listKeys().value(0).toLongLong() > keys.at(3).toLongLong());
}

void DemoSiteTest::refusesValuesTheRowCannotCarry_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("comma") << QByteArray("A,B") << QByteArray("f");
    QTest::newRow("caret") << QByteArray("A^OK") << QByteArray("f");
    QTest::newRow("quote") << QByteArray("A\"B") << QByteArray("f");
    QTest::newRow("line break") << QByteArray("A") << QByteArray("f\r\ng");
    QTest::newRow("empty name") << QByteArray() << QByteArray("f");
}

void DemoSiteTest::refusesValuesTheRowCannotCarry()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, folder);
    QCOMPARE(add(name, folder), QByteArray("BAD"));
    QCOMPARE(add("Fine"), QByteArray("OK"));
    const QByteArray key = listKeys().value(0);
    QCOMPARE(act({{"action", "6"}, {"prodcod", key}, {"prodname", name}, {"prodfolder", folder},
                  {"prodthankspage", "t"}}),
             QByteArray("BAD"));
    QCOMPARE(product(key).value(1), QByteArray("Fine"));
}

void DemoSiteTest::malformedBodiesAreBad_data()
{
    const QByteArray form = "multipart/form-data; boundary=" + kBoundary;
    const QByteArray check = formBody({{"action", "1"}, {"end", ""}});
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("no boundary") << QByteArray("multipart/form-data") << check;
    QTest::newRow("url-encoded") << QByteArray("application/x-www-form-urlencoded") << QByteArray("action=1&end=");
    QTest::newRow("other boundary") << QByteArray("multipart/form-data; boundary=xyz") << check;
    QTest::newRow("cut off") << form << check.left(check.size() - 12);
    QTest::newRow("empty body") << form << QByteArray();
    QTest::newRow("garbage") << form << QByteArray("\x01\x02--\r\n\r\n\xff", 9);
    QTest::newRow("part without name")
        << form << "--" + kBoundary + "\r\nContent-Disposition: form-data\r\n\r\n1\r\n--" + kBoundary + "--\r\n";
    QTest::newRow("unclosed quote")
        << form
        << "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"action\r\n\r\n1\r\n--" + kBoundary + "--\r\n";
    // Without the sentinel field the value of "action" keeps the CR LF before the closing delimiter.
    QTest::newRow("no end field") << form << formBody({{"action", "1"}});
}

void DemoSiteTest::malformedBodiesAreBad()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    const HttpReply reply = post(contentType, body);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, QByteArray("BAD"));
    QCOMPARE(act({{"action", "1"}}), QByteArray("OK")); // and the site carries on
}

void DemoSiteTest::productsSurviveARestart()
{
    QCOMPARE(add("Alpha"), QByteArray("OK"));
    QCOMPARE(add("Beta"), QByteArray("OK"));
    const QByteArray list = act({{"action", "3"}});
    const QList<QByteArray> alpha = product(listKeys().value(0));

    restartSite();
    QCOMPARE(act({{"action", "3"}}), list);
    QCOMPARE(product(alpha.value(0)), alpha);
    QCOMPARE(add("Alpha"), QByteArray("EXIST RECORD"));
}

void DemoSiteTest::thanksPageNeedsTheProductsKey()
{
    QCOMPARE(add("Tom & Jerry <HD>"), QByteArray("OK"));
    const QList<QByteArray> p = product(listKeys().value(0));
    QCOMPARE(p.size(), 6);
    const QByteArray code = p.at(4);
    const QByteArray key = p.at(5);

    for (const QByteArray &target : {"/thanks.php?id=" + code + "&sk=" + key, "//thanks.php?id=" + code + "&sk=" + key}) {
        const HttpReply right = exchange(site_->port(), getRequest(site_->port(), target));
        QCOMPARE(right.status, 200);
        QVERIFY2(right.body.contains("Tom &amp; Jerry &lt;HD&gt;"), right.body.constData());
    }
    const QList<QByteArray> wrong{"/thanks.php?id=" + code + "&sk=" + key.chopped(1),
                                  "/thanks.php?id=" + code, "/thanks.php?id=" + code.toLower() + "&sk=" + key,
                                  "/thanks.php?id=&sk="};
    for (const QByteArray &target : wrong) {
        const HttpReply reply = exchange(site_->port(), getRequest(site_->port(), target));
        QCOMPARE(reply.status, 403);
        QVERIFY(reply.body.contains("not valid"));
        QVERIFY(!reply.body.contains("Jerry"));
    }
}

void DemoSiteTest::answersPlainGets()
{
    const HttpReply home = exchange(site_->port(), getRequest(site_->port(), "/"));
    QCOMPARE(home.status, 200);
    QVERIFY(home.headers.contains("Content-Type: text/html"));
    QVERIFY(home.body.contains("demo site"));
    // The console fetches actions.php before an add or an update and discards the reply.
    for (const QByteArray target : {"/actions.php", "//actions.php"}) {
        const HttpReply reply = exchange(site_->port(), getRequest(site_->port(), target));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.headers.contains("Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n"));
    }
    QCOMPARE(exchange(site_->port(), getRequest(site_->port(), "/missing.php")).status, 404);
}

void DemoSiteTest::seedsOnlyANewDatabase()
{
    // The site of init() has created its database already: seeding needs a new folder.
    QVERIFY(site_->stopCleanly());
    dataDir_ = std::make_unique<QTemporaryDir>();
    site_ = std::make_unique<vo::test::SiteProcess>();
    QVERIFY(site_->start(dataDir_->path(), {QStringLiteral("--seed")}) != 0);
    QCOMPARE(listKeys().size(), 3);
    QCOMPARE(act({{"action", "2"}, {"deleteids", "all"}}), QByteArray("OK"));

    // A seller who deleted the samples does not get them back on the next start.
    restartSite({QStringLiteral("--seed")});
    QCOMPARE(act({{"action", "3"}}), QByteArray("^OK"));
}

void DemoSiteTest::aTakenPortIsAnError()
{
    const QTemporaryDir other;
    vo::test::SiteProcess second;
    QCOMPARE(second.start(other.path(), {}, site_->port()), quint16(0));
    QVERIFY(second.exitCode() != 0);
    QCOMPARE(act({{"action", "1"}}), QByteArray("OK"));
}

void DemoSiteTest::newsOfTheDemoTier()
{
    QCOMPARE(news("/news/getlastnews.php", "conttype", "lastcode"), QByteArray("3^Version 2.01 is out\xAFOK"));
    // A news base URL that ends in "/" posts to "//news/...".
    QCOMPARE(news("//news/getlastnews.php", "conttype", "all"),
             QByteArray("3^Version 2.01 is out^2026-11-20\xAF" "2^Selling bundles^2026-10-02\xAF"
                        "1^Welcome to the member news^2026-09-01\xAFOK"));

    const QByteArray text = news("/news/getnewsdetails.php", "newsid", "1");
    QVERIFY2(text.endsWith("</p>\xAFOK"), text.constData());
    QVERIFY(text.contains("Caf$E9 cr$E8me"));
    // Nothing outside printable ASCII goes out unescaped, and no marker byte before the end.
    for (const char c : text.chopped(3))
        QVERIFY(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
    QVERIFY(news("/news/getnewsdetails.php", "newsid", "2").contains("at $2419 sells"));
    QCOMPARE(news("/news/getnewsdetails.php", "newsid", "4"), QByteArray("INVALIDNEWS"));
    QCOMPARE(news("/news/getnewsdetails.php", "newsid", " 1"), QByteArray("INVALIDNEWS"));
}

void DemoSiteTest::newsRefusesOtherMembers()
{
    QCOMPARE(news("/news/getlastnews.php", "conttype", "all", "other"), QByteArray("INVALIDUSER"));
    QCOMPARE(news("/news/getnewsdetails.php", "newsid", "1", "Demo"), QByteArray("INVALIDUSER"));
    QCOMPARE(news("/news/getlastnews.php", "conttype", "lastcode", "demo", "BG"), QByteArray("INVALIDPRODUCT"));
    QCOMPARE(news("/news/getlastnews.php", "conttype", "something else"), QByteArray());
    const HttpReply broken = post("multipart/form-data; boundary=" + kBoundary, "garbage", "/news/getlastnews.php");
    QCOMPARE(broken.status, 200);
    QCOMPARE(broken.body, QByteArray());
    QCOMPARE(news("/getlastnews.php", "conttype", "all"), QByteArray("HTTP 404"));
}

void DemoSiteTest::updateDescription()
{
    const QByteArray target = "/liveupdate/vantrel_oskel/mainappupdate.inf";
    const HttpReply reply = exchange(site_->port(), getRequest(site_->port(), target));
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.body, QByteArray("[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.01\r\n"));

    restartSite({QStringLiteral("--update-version"), QStringLiteral("2.5")});
    QCOMPARE(exchange(site_->port(), getRequest(site_->port(), target)).body,
             QByteArray("[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.5\r\n"));
}

QTEST_GUILESS_MAIN(DemoSiteTest)
#include "DemoSiteTest.moc"
