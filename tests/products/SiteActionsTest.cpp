#include "net/IdHTTP.h"
#include "products/SiteActions.h"
#include "support/ScriptServer.h"

#include <QTest>

using namespace vo;
using vo::test::parseMultipartFields;
using vo::test::RecordedRequest;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;

namespace {

using Fields = QList<QPair<QByteArray, QByteArray>>;

Fields fieldsOf(const RecordedRequest &request)
{
    return parseMultipartFields(request.body(), request.header("Content-Type"));
}

// Every form ends with an empty "end" field, which a multipart parser reads as the line break
// that closes the body.
Fields sent(Fields fields)
{
    fields.append(qMakePair(QByteArray("end"), QByteArray("\r\n")));
    return fields;
}

} // namespace

class SiteActionsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TIdHTTP> http_;
    ServerSettings settings_;

    SiteActions actions() { return SiteActions(*http_, settings_); }

private Q_SLOTS:
    void init()
    {
        server_ = std::make_unique<ScriptServer>();
        QVERIFY(server_->isListening());
        http_ = std::make_unique<TIdHTTP>();
        settings_ = {};
        settings_.swebserver = server_->url("/shop");
    }
    void cleanup()
    {
        http_.reset();
        server_.reset();
    }

    void serverCheckPostsItsFormAndWantsExactlyOk_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("OK") << QByteArray("OK") << true;
        QTest::newRow("OK and line break") << QByteArray("OK\r\n") << false;
        QTest::newRow("leading blank") << QByteArray(" OK") << false;
        QTest::newRow("lower case") << QByteArray("ok") << false;
        QTest::newRow("BAD") << QByteArray("BAD") << false;
    }
    void serverCheckPostsItsFormAndWantsExactlyOk()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, accepted);
        server_->queue(ScriptedReply::ok(reply));
        QCOMPARE(actions().CheckServer(), accepted);
        QCOMPARE(http_->ReadTimeout(), 60000);
        QCOMPARE(server_->requests().size(), 1);
        const RecordedRequest &request = server_->requests().at(0);
        QCOMPARE(request.requestLine(), QByteArray("POST /shop/actions.php HTTP/1.0"));
        QCOMPARE(request.header("Content-Length"), QByteArray("185"));
        QCOMPARE(fieldsOf(request), (sent({{"action", "1"}})));
    }

    void failedPostReadsAsBad()
    {
        server_->queue(ScriptedReply::withBody("404 Not Found", "OK"));
        QVERIFY(!actions().CheckServer());
        server_->queue(ScriptedReply::withBody("500 Internal Server Error", "OK"));
        QCOMPARE(actions().RequestList(), QByteArray("BAD"));
    }

    void repliesPastTheirCapReadAsBad()
    {
        const QByteArray list = "OK" + QByteArray(SiteActions::kListMaxBody - 2, ' ');
        server_->queue(ScriptedReply::ok(list));
        server_->queue(ScriptedReply::ok(list + ' '));
        QCOMPARE(actions().RequestList(), list);
        QCOMPARE(actions().RequestList(), QByteArray("BAD"));
        // One product's row is held to the cap of the short replies.
        server_->queue(ScriptedReply::ok("\"1\",\"" + QByteArray(SiteActions::kReplyMaxBody, 'n') + "\",\"f\",\"t\",\"c\",\"k\"^OK"));
        QVERIFY(!actions().GetProduct("1"));
    }

    void siteUrlEndingInSlashSendsTwoSlashes()
    {
        settings_.swebserver = server_->url("/");
        server_->queue(ScriptedReply::ok("OK"));
        QVERIFY(actions().CheckServer());
        QCOMPARE(server_->requests().at(0).requestLine(), QByteArray("POST //actions.php HTTP/1.0"));
    }

    void deleteSendsTheKeysAsGiven()
    {
        server_->queue(ScriptedReply::ok("OK"));
        QVERIFY(actions().DeleteProducts("4,17"));
        QCOMPARE(fieldsOf(server_->requests().at(0)), (sent({{"action", "2"}, {"deleteids", "4,17"}})));
        server_->queue(ScriptedReply::ok("NO"));
        QVERIFY(!actions().DeleteProducts("all"));
        QCOMPARE(fieldsOf(server_->requests().at(1)), (sent({{"action", "2"}, {"deleteids", "all"}})));
    }

    void addFetchesTheScriptFirstAndSendsTrimmedValues_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        QTest::newRow("added") << QByteArray("OK") << int(AddResult::Added);
        QTest::newRow("exists") << QByteArray("EXIST RECORD") << int(AddResult::NameExists);
        QTest::newRow("other") << QByteArray("DON'T EXIST RECORD") << int(AddResult::Failed);
    }
    void addFetchesTheScriptFirstAndSendsTrimmedValues()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        server_->queue(ScriptedReply::ok("whatever the script says to a GET"));
        server_->queue(ScriptedReply::ok(reply));
        QCOMPARE(int(actions().AddProduct("  My Book \t", " books", "thanks.html\r\n")), result);
        QCOMPARE(server_->requests().size(), 2);
        QCOMPARE(server_->requests().at(0).requestLine(), QByteArray("GET /shop/actions.php HTTP/1.1"));
        QCOMPARE(server_->requests().at(0).body(), QByteArray());
        QCOMPARE(fieldsOf(server_->requests().at(1)),
                 (sent({{"action", "4"}, {"prodname", "My Book"}, {"prodfolder", "books"},
                         {"prodthankspage", "thanks.html"}})));
    }

    void failedGetMeansNoPost()
    {
        server_->queue(ScriptedReply::withBody("503 Service Unavailable", ""));
        QCOMPARE(actions().AddProduct("a", "b", "c"), AddResult::Failed);
        server_->queue(ScriptedReply::withBody("503 Service Unavailable", ""));
        QCOMPARE(actions().UpdateProduct("1", "a", "b", "c"), UpdateResult::Failed);
        QCOMPARE(server_->requests().size(), 2);
        for (const RecordedRequest &request : server_->requests())
            QVERIFY(request.requestLine().startsWith("GET "));
    }

    void updateSendsTheKeyUnchanged_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        QTest::newRow("updated") << QByteArray("OK") << int(UpdateResult::Updated);
        QTest::newRow("gone") << QByteArray("DON'T EXIST RECORD") << int(UpdateResult::NotFound);
        QTest::newRow("name taken") << QByteArray("EXIST RECORD") << int(UpdateResult::NameExists);
        QTest::newRow("other") << QByteArray("BAD") << int(UpdateResult::Failed);
    }
    void updateSendsTheKeyUnchanged()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, result);
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok(reply));
        QCOMPARE(int(actions().UpdateProduct(" 12 ", " New name ", "f", "t")), result);
        QCOMPARE(fieldsOf(server_->requests().at(1)),
                 (sent({{"action", "6"}, {"prodcod", " 12 "}, {"prodname", "New name"}, {"prodfolder", "f"},
                         {"prodthankspage", "t"}})));
    }

    void getProductReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<bool>("found");
        const QByteArray row = "\"5\",\"N\",\"f\",\"t\",\"C\",\"K\"";
        QTest::newRow("row") << row + "^OK" << row << true;
        QTest::newRow("caret OK alone") << QByteArray("^OK") << QByteArray() << false;
        QTest::newRow("OK alone") << QByteArray("OK") << QByteArray() << false;
        QTest::newRow("no OK") << row << QByteArray() << false;
    }
    void getProductReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, row);
        QFETCH(bool, found);
        server_->queue(ScriptedReply::ok(reply));
        const std::optional<ProductRowReply> got = actions().GetProduct("5");
        QCOMPARE(got.has_value(), found);
        if (found)
            QCOMPARE(got->row, row);
        QCOMPARE(fieldsOf(server_->requests().at(0)), (sent({{"action", "5"}, {"prodcod", "5"}})));
    }
};

QTEST_MAIN(SiteActionsTest)
#include "SiteActionsTest.moc"
