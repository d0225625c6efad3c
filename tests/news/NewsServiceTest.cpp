// The three news requests against a scripted news server: the forms on the wire, every reply
// kind and the words the user is shown for it.
#include "net/IdHTTP.h"
#include "news/NewsService.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"

#include <QTest>

#include <memory>

using namespace vo;
using vo::test::parseMultipartFields;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;

namespace {

using Fields = QList<QPair<QByteArray, QByteArray>>;

const QString kAccessing = QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
const QString kSettings = QStringLiteral("There is a trouble in the settings file on the news site.");
const QString kUser = QStringLiteral("There is a trouble with the Publisher Id. Contact your provider.");
const QString kProduct = QStringLiteral("There is a trouble with the product validation. Contact your provider.");
const QString kNews = QStringLiteral("There is a trouble with this news. Contact your provider.");

const NewsRequest kRequest{"pub7", "BR-1", "BM"};

// The six fields as sent; a multipart reader sees the last, empty one as the closing line break.
Fields sentFields(const QByteArray &fourthName, const QByteArray &fourthValue)
{
    return {{"memusername", "pub7"}, {"prodcode", "BR-1"},     {"prodtype", "BM"},
            {fourthName, fourthValue}, {"newstarget", "UA"}, {"something", "\r\n"}};
}

enum class Op { Latest, List, Details };

} // namespace

Q_DECLARE_METATYPE(Op)

class NewsServiceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TIdHTTP> http_;
    std::unique_ptr<TMessageBox> messages_;
    BrandingProfile profile_;

    NewsService service() { return NewsService(*http_, *messages_, profile_); }

    // The messages shown since the last call, as (kind, text); every one must have one OK button.
    QStringList shownWarnings()
    {
        QStringList texts;
        for (const TMessageBox::Shown &shown : TMessageBox::takeShown()) {
            if (shown.kind != TMessageBox::Kind::Warning || shown.buttons != TMessageBox::Buttons::Ok)
                texts.append(QStringLiteral("unexpected box: ") + shown.text);
            else
                texts.append(shown.text);
        }
        return texts;
    }

private Q_SLOTS:
    void init()
    {
        TMessageBox::beginScript();
        server_ = std::make_unique<ScriptServer>();
        QVERIFY(server_->isListening());
        http_ = std::make_unique<TIdHTTP>();
        messages_ = std::make_unique<TMessageBox>();
        profile_ = {};
        profile_.MasterNewsBaseURL = server_->url("/master");
        profile_.PlatinumNewsBaseURL = server_->url("/plat/");
        profile_.GoldNewsBaseURL = server_->url("/gold/news");
    }
    void cleanup()
    {
        http_.reset();
        server_.reset();
        TMessageBox::endScript();
    }

    void tierRule_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("code");   // empty: no request
        QTest::addColumn<QByteArray>("publisher");
        QTest::newRow("Master") << QByteArray("Master") << QByteArray("BM") << QByteArray("m-id");
        QTest::newRow("Platinum") << QByteArray("Platinum") << QByteArray("BP") << QByteArray("p-id");
        QTest::newRow("Gold") << QByteArray("Gold") << QByteArray("BG") << QByteArray("g-id");
        QTest::newRow("Free") << QByteArray("Free") << QByteArray() << QByteArray();
        QTest::newRow("lower case") << QByteArray("master") << QByteArray() << QByteArray();
        QTest::newRow("trailing blank") << QByteArray("Gold ") << QByteArray() << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
    }
    void tierRule()
    {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, publisher);
        BrandingProfile profile;
        profile.BranderType = type;
        profile.BranderCode = "code";
        profile.MasterPublID = "m-id";
        profile.PlatinumPublID = "p-id";
        profile.GoldPublID = "g-id";
        const std::optional<NewsRequest> request = newsRequestFor(profile);
        QCOMPARE(request.has_value(), !code.isEmpty());
        if (request) {
            QCOMPARE(request->tierCode, code);
            QCOMPARE(request->publisherId, publisher);
            QCOMPARE(request->branderCode, QByteArray("code"));
            QCOMPARE(request->target, QByteArray("UA"));
        }
        // The tier's own publisher id must be set; the others do not stand in for it.
        if (!code.isEmpty()) {
            profile.MasterPublID.clear();
            profile.PlatinumPublID.clear();
            profile.GoldPublID.clear();
            QVERIFY(!newsRequestFor(profile));
        }
    }

    void urlsFollowTheTierCode()
    {
        const NewsService s = service();
        QCOMPARE(s.scriptUrl("BM", "getlastnews.php"), server_->url("/master/getlastnews.php"));
        QCOMPARE(s.scriptUrl("BP", "getnewsdetails.php"), server_->url("/plat/getnewsdetails.php"));
        QCOMPARE(s.scriptUrl("BG", "getlastnews.php"), server_->url("/gold/news/getlastnews.php"));
        QCOMPARE(s.scriptUrl("bm", "getlastnews.php"), QByteArray("/getlastnews.php"));
        QCOMPARE(s.scriptUrl("XX", "getnewsdetails.php"), QByteArray("/getnewsdetails.php"));
    }

    void formsOnTheWire()
    {
        for (int i = 0; i < 3; ++i)
            server_->queue(ScriptedReply::ok("OK"));
        QByteArray id = "stale";
        QByteArray title;
        QByteArrayList list;
        QByteArray html = "stale";
        QVERIFY(service().FetchLatestNews(kRequest, false, id, title));
        QVERIFY(service().FetchNewsList(kRequest, list));
        QVERIFY(service().FetchNewsDetails(kRequest, "42", html));
        QCOMPARE(id, QByteArray());
        // Only the marker is taken out of a text: a bare "OK" is the text.
        QCOMPARE(html, QByteArray("OK"));

        QCOMPARE(server_->requests().size(), 3);
        const auto fields = [&](int i) {
            return parseMultipartFields(server_->requests().at(i).body(), server_->requests().at(i).header("Content-Type"));
        };
        QCOMPARE(server_->requests().at(0).requestLine(), QByteArray("POST /master/getlastnews.php HTTP/1.0"));
        QCOMPARE(fields(0), sentFields("conttype", "lastcode"));
        QCOMPARE(server_->requests().at(1).requestLine(), QByteArray("POST /master/getlastnews.php HTTP/1.0"));
        QCOMPARE(fields(1), sentFields("conttype", "all"));
        QCOMPARE(server_->requests().at(2).requestLine(), QByteArray("POST /master/getnewsdetails.php HTTP/1.0"));
        QCOMPARE(fields(2), sentFields("newsid", "42"));
        // No limit of their own: the client's read time-out stays as it was.
        QCOMPARE(http_->ReadTimeout(), 0);
        QCOMPARE(shownWarnings(), QStringList());
    }

    void latestNewsReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("item then marker") << QByteArray("17^Spring sale\xAFOK") << true << QByteArray("17")
                                          << QByteArray("Spring sale") << QString();
        QTest::newRow("marker first") << QByteArray("\xAFOK" "17^Spring sale") << true << QByteArray("17")
                                      << QByteArray("Spring sale") << QString();
        QTest::newRow("blanks around") << QByteArray("\r\n 9^T\xAFOK \x01") << true << QByteArray("9") << QByteArray("T")
                                       << QString();
        QTest::newRow("extra fields") << QByteArray("3^A^B^C\xAFOK") << true << QByteArray("3") << QByteArray("A")
                                      << QString();
        QTest::newRow("id only") << QByteArray("3\xAFOK") << true << QByteArray("3") << QByteArray() << QString();
        QTest::newRow("OK alone") << QByteArray("OK") << true << QByteArray() << QByteArray() << QString();
        QTest::newRow("marker alone") << QByteArray("\xAFOK") << true << QByteArray() << QByteArray() << QString();
        QTest::newRow("empty") << QByteArray() << false << QByteArray() << QByteArray() << kAccessing;
        QTest::newRow("blank") << QByteArray(" \r\n") << false << QByteArray() << QByteArray() << kAccessing;
        QTest::newRow("CONNECTIONFAIL") << QByteArray("\r\nCONNECTIONFAIL\r\n") << false << QByteArray() << QByteArray()
                                        << kSettings;
        QTest::newRow("INVALIDUSER") << QByteArray("INVALIDUSER") << false << QByteArray() << QByteArray() << kUser;
        QTest::newRow("INVALIDPRODUCT") << QByteArray(" INVALIDPRODUCT") << false << QByteArray() << QByteArray()
                                        << kProduct;
        // Only the details request knows this token.
        QTest::newRow("INVALIDNEWS") << QByteArray("INVALIDNEWS") << false << QByteArray() << QByteArray() << QString();
        QTest::newRow("lower-case token") << QByteArray("invaliduser") << false << QByteArray() << QByteArray()
                                          << QString();
        QTest::newRow("lower-case ok") << QByteArray("ok") << false << QByteArray() << QByteArray() << QString();
        // Trailing blanks would be trimmed away, but the reply is already over its cap.
        QTest::newRow("over its cap") << QByteArray("17^T\xAFOK").append(NewsService::kLatestMaxBody, ' ') << false
                                      << QByteArray() << QByteArray() << kAccessing;
    }
    void latestNewsReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(QByteArray, id);
        QFETCH(QByteArray, title);
        QFETCH(QString, message);
        for (const bool silent : {false, true}) {
            server_->queue(ScriptedReply::ok(reply));
            QByteArray gotId = "stale";
            QByteArray gotTitle;
            QCOMPARE(service().FetchLatestNews(kRequest, silent, gotId, gotTitle), ok);
            QCOMPARE(gotId, id);
            QCOMPARE(gotTitle, title);
            // A silent check never shows anything.
            QCOMPARE(shownWarnings(), silent || message.isEmpty() ? QStringList() : QStringList{message});
        }
    }

    void listReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArrayList>("appended");
        QTest::addColumn<QString>("message");
        QTest::newRow("three items") << QByteArray("3^C^2026-03-01\xAF" "2^B^2026-02-01\xAF" "1^A^2026-01-01\xAFOK")
                                     << true << QByteArrayList{"3^C^2026-03-01", "2^B^2026-02-01", "1^A^2026-01-01"}
                                     << QString();
        QTest::newRow("double marker") << QByteArray("1^A^x\xAF\xAF" "2^B^y\xAFOK") << true
                                       << QByteArrayList{"1^A^x", "2^B^y"} << QString();
        QTest::newRow("OK alone") << QByteArray("OK") << true << QByteArrayList{} << QString();
        QTest::newRow("marker alone") << QByteArray("\xAFOK") << true << QByteArrayList{} << QString();
        // Split at the marker byte only: an "OK" glued to an item stays with it.
        QTest::newRow("OK inside an item") << QByteArray("1^OK news^d\xAFOK") << true << QByteArrayList{"1^OK news^d"}
                                           << QString();
        QTest::newRow("empty") << QByteArray() << false << QByteArrayList{} << kAccessing;
        QTest::newRow("INVALIDUSER") << QByteArray("INVALIDUSER\n") << false << QByteArrayList{} << kUser;
        QTest::newRow("INVALIDNEWS") << QByteArray("INVALIDNEWS") << false << QByteArrayList{} << QString();
        QTest::newRow("other") << QByteArray("Internal error") << false << QByteArrayList{} << QString();
        QTest::newRow("over its cap") << QByteArray("1^A^x\xAFOK").append(NewsService::kListMaxBody, '\n') << false
                                      << QByteArrayList{} << kAccessing;
    }
    void listReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(QByteArrayList, appended);
        QFETCH(QString, message);
        server_->queue(ScriptedReply::ok(reply));
        QByteArrayList list{"kept^from^before"};
        QCOMPARE(service().FetchNewsList(kRequest, list), ok);
        QCOMPARE(list, QByteArrayList{"kept^from^before"} + appended);
        QCOMPARE(shownWarnings(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void detailsReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("message");
        QTest::newRow("escaped") << QByteArray("<p>100$24 off$3C$2Fp$3E \xE9</p>\xAFOK") << true
                                 << QByteArray("<p>100$ off</p> \xE9</p>") << QString();
        QTest::newRow("marker first") << QByteArray("\xAFOK<b>x</b>") << true << QByteArray("<b>x</b>") << QString();
        QTest::newRow("bad escape") << QByteArray("<p>$zz</p>\xAFOK") << true << QByteArray() << QString();
        QTest::newRow("INVALIDNEWS") << QByteArray("INVALIDNEWS") << false << QByteArray() << kNews;
        QTest::newRow("CONNECTIONFAIL") << QByteArray("CONNECTIONFAIL") << false << QByteArray() << kSettings;
        QTest::newRow("INVALIDPRODUCT") << QByteArray("INVALIDPRODUCT") << false << QByteArray() << kProduct;
        QTest::newRow("empty") << QByteArray("\t") << false << QByteArray() << kAccessing;
        const QByteArray longText = "<p>" + QByteArray(72 * 1000, 'x') + "</p>";
        QTest::newRow("72 KB text") << longText + "\xAFOK" << true << longText << QString();
        QTest::newRow("over its cap") << QByteArray("<p>x</p>\xAFOK").append(NewsService::kDetailsMaxBody, '\n')
                                      << false << QByteArray() << kAccessing;
    }
    void detailsReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(QByteArray, html);
        QFETCH(QString, message);
        server_->queue(ScriptedReply::ok(reply));
        QByteArray got = "stale";
        QCOMPARE(service().FetchNewsDetails(kRequest, "5", got), ok);
        QCOMPARE(got, html);
        QCOMPARE(shownWarnings(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void newsButton()
    {
        const QString none = QStringLiteral("There's no news for this application!");
        const auto infoTexts = [] {
            QStringList texts;
            for (const TMessageBox::Shown &shown : TMessageBox::takeShown())
                texts.append((shown.kind == TMessageBox::Kind::Information ? QStringLiteral("i: ") : QStringLiteral("w: "))
                             + shown.text);
            return texts;
        };
        QByteArrayList list{"old^entry^x"};
        profile_.BranderType = "Platinum";
        profile_.PlatinumPublID = "p1";
        server_->queue(ScriptedReply::ok("2^B^y\xAF" "1^A^x\xAFOK"));
        QVERIFY(service().FetchNewsForButton(list));
        QCOMPARE(list, (QByteArrayList{"2^B^y", "1^A^x"}));
        QCOMPARE(server_->requests().at(0).requestLine(), QByteArray("POST /plat/getlastnews.php HTTP/1.0"));
        QCOMPARE(infoTexts(), QStringList());

        // An error is reported, and then that there is no news; the list was cleared first.
        server_->queue(ScriptedReply::ok("INVALIDUSER"));
        QVERIFY(!service().FetchNewsForButton(list));
        QVERIFY(list.isEmpty());
        QCOMPARE(infoTexts(), (QStringList{QStringLiteral("w: ") + kUser, QStringLiteral("i: ") + none}));

        server_->queue(ScriptedReply::ok("\xAFOK"));
        QVERIFY(!service().FetchNewsForButton(list));
        QCOMPARE(infoTexts(), QStringList{QStringLiteral("i: ") + none});

        // No news service for the tier: nothing is asked.
        for (const char *type : {"Free", "platinum"}) {
            profile_.BranderType = type;
            QVERIFY(!service().FetchNewsForButton(list));
            QCOMPARE(infoTexts(), QStringList{QStringLiteral("i: ") + none});
        }
        QCOMPARE(server_->requests().size(), 3);
    }

    void failedRequestsReadAsEmpty()
    {
        // An error status, a connection closed before any reply, and a tier with no server.
        server_->queue(ScriptedReply::withBody("404 Not Found", "INVALIDUSER"));
        QByteArrayList list;
        QVERIFY(!service().FetchNewsList(kRequest, list));
        QCOMPARE(shownWarnings(), QStringList{kAccessing});

        server_->queue(ScriptedReply().close());
        QByteArray html;
        QVERIFY(!service().FetchNewsDetails(kRequest, "1", html));
        QCOMPARE(shownWarnings(), QStringList{kAccessing});

        const int sent = int(server_->requests().size());
        NewsRequest unknownTier = kRequest;
        unknownTier.tierCode = "XX";
        QVERIFY(!service().FetchNewsList(unknownTier, list));
        QCOMPARE(shownWarnings(), QStringList{kAccessing});
        QCOMPARE(int(server_->requests().size()), sent);

        server_->queue(ScriptedReply().close());
        QByteArray id;
        QByteArray title;
        QVERIFY(!service().FetchLatestNews(kRequest, true, id, title));
        QCOMPARE(shownWarnings(), QStringList());
        QVERIFY(list.isEmpty());
    }
};

QTEST_GUILESS_MAIN(NewsServiceTest)
#include "NewsServiceTest.moc"
