#include "net/MultipartForm.h"

#include <QElapsedTimer>
#include <QTest>

using vo::TIdMultiPartFormDataStream;

class MultipartFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundaryComesFromTheCreationTime()
    {
        const QDateTime at(QDate(2026, 3, 7), QTime(9, 5, 4, 32));
        const TIdMultiPartFormDataStream form(at);
        QCOMPARE(form.boundary(), QByteArray("--------030726090504032"));
        QCOMPARE(form.contentType(), QByteArray("multipart/form-data; boundary=--------030726090504032"));
    }

    void twoFormsOfOneMillisecondShareTheirBoundary()
    {
        const QDateTime at(QDate(2026, 12, 31), QTime(23, 59, 58, 999));
        QCOMPARE(TIdMultiPartFormDataStream(at).boundary(), TIdMultiPartFormDataStream(at).boundary());
        QCOMPARE(TIdMultiPartFormDataStream(at).boundary(), QByteArray("--------123126235958999"));
    }

    void defaultBoundaryIsEightDashesAndFifteenDigits()
    {
        const QByteArray boundary = TIdMultiPartFormDataStream().boundary();
        QCOMPARE(boundary.size(), 23);
        QVERIFY(boundary.startsWith("--------"));
        for (const char c : boundary.mid(8))
            QVERIFY2(c >= '0' && c <= '9', boundary.constData());
    }

    void serverCheckFormIsExactly185Bytes()
    {
        TIdMultiPartFormDataStream form(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6)));
        form.AddField("action", "1");
        form.AddField("end", "");
        const QByteArray b = "--------010226030405006";
        const QByteArray expected = "--" + b + "\r\n"
                                    "Content-Disposition: form-data; name=\"action\"\r\n"
                                    "\r\n"
                                    "1\r\n"
                                    "--" + b + "\r\n"
                                    "Content-Disposition: form-data; name=\"end\"\r\n"
                                    "\r\n"
                                    "\r\n"
                                    "\r\n"
                                    "--" + b + "--\r\n";
        QCOMPARE(form.body(), expected);
        QCOMPARE(form.body().size(), 185);
        QCOMPARE(form.size(), 185);
    }

    void valuesGoOutUnchanged()
    {
        TIdMultiPartFormDataStream form(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6)));
        const QByteArray value("100% %41 \"q\"\r\nnext\xAF\x00" "end", 23);
        form.AddField("prodname", value);
        const QByteArray body = form.body();
        // The closing delimiter follows the last value's own CR LF with one more.
        QVERIFY(body.contains("name=\"prodname\"\r\n\r\n" + value + "\r\n\r\n--"));
        // 72 bytes around each field's name and value, 31 for the closing.
        QCOMPARE(form.size(), 72 + 8 + value.size() + 31);
        QCOMPARE(body.size(), form.size());
    }

    void emptyFormIsOnlyTheClosingDelimiter()
    {
        TIdMultiPartFormDataStream form(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6)));
        QCOMPARE(form.body(), QByteArray("\r\n----------010226030405006--\r\n"));
        QCOMPARE(form.size(), 31);
    }

    void bodyIsProducedAgainFromTheStart()
    {
        TIdMultiPartFormDataStream form;
        form.AddField("action", "3");
        form.AddField("end", "");
        const QByteArray first = form.body();
        QCOMPARE(form.body(), first);
    }

    void fieldsKeepTheirOrder()
    {
        TIdMultiPartFormDataStream form;
        for (const char *name : {"action", "prodcod", "prodname", "prodfolder", "prodthankspage", "end"})
            form.AddField(name, "v");
        const QByteArray body = form.body();
        qsizetype last = -1;
        for (const char *name : {"action", "prodcod", "prodname", "prodfolder", "prodthankspage", "end"}) {
            const qsizetype at = body.indexOf("name=\"" + QByteArray(name) + "\"");
            QVERIFY(at > last);
            last = at;
        }
    }
};

QTEST_APPLESS_MAIN(MultipartFormTest)
#include "MultipartFormTest.moc"
