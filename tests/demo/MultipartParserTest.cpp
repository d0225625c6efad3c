// The form reader on its own: where RFC 2046 puts the edges of each value.
#include "MultipartParser.h"

#include <QTest>

using vo::demo::FormFields;
using vo::demo::MultipartParser;

class MultipartParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boundaryOfContentType_data();
    void boundaryOfContentType();
    void valuesKeepEveryByte();
    void toleratesPreambleEpilogueAndHeaderVariants();
};

void MultipartParserTest::boundaryOfContentType_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("boundary"); // empty: none
    QTest::newRow("console") << QByteArray("multipart/form-data; boundary=--------120926064512345")
                             << QByteArray("--------120926064512345");
    QTest::newRow("quoted, any case") << QByteArray("Multipart/Form-Data; charset=x; BOUNDARY=\"a b;c\"")
                                      << QByteArray("a b;c");
    QTest::newRow("other type") << QByteArray("multipart/mixed; boundary=abc") << QByteArray();
    QTest::newRow("missing") << QByteArray("multipart/form-data; name=abc") << QByteArray();
    QTest::newRow("empty") << QByteArray("multipart/form-data; boundary=") << QByteArray();
    QTest::newRow("too long") << "multipart/form-data; boundary=" + QByteArray(71, 'x') << QByteArray();
    QTest::newRow("broken parameter") << QByteArray("multipart/form-data; boundary") << QByteArray();
}

void MultipartParserTest::boundaryOfContentType()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, boundary);
    QCOMPARE(MultipartParser::boundaryOf(contentType).value_or(QByteArray()), boundary);
}

void MultipartParserTest::valuesKeepEveryByte()
{
    const QByteArray body = "--B\r\nContent-Disposition: form-data; name=\"prodname\"\r\n\r\n"
                            " 100% \"x\"\r\nline\r\n"
                            "--B\r\nContent-Disposition: form-data; name=\"empty\"\r\n\r\n\r\n"
                            "--B\r\nContent-Disposition: form-data; name=\"prodname\"\r\n\r\nsecond\r\n"
                            "--B\r\nContent-Disposition: form-data; name=\"end\"\r\n\r\n\r\n"
                            "\r\n--B--\r\n";
    const std::optional<FormFields> form = MultipartParser::parse("multipart/form-data; boundary=B", body);
    QVERIFY(form);
    QCOMPARE(form->size(), 4);
    QCOMPARE(form->value("prodname"), std::optional<QByteArray>(" 100% \"x\"\r\nline")); // the first one wins
    QCOMPARE(form->value("empty"), std::optional<QByteArray>(QByteArray()));
    QCOMPARE(form->value("end"), std::optional<QByteArray>("\r\n")); // the sentinel takes the extra CR LF
    QVERIFY(!form->value("missing"));
}

void MultipartParserTest::toleratesPreambleEpilogueAndHeaderVariants()
{
    const QByteArray body = "preamble\r\n--B  \r\n"
                            "content-disposition:form-data;name=action\r\nContent-Type: text/plain\r\n\r\n1"
                            "\r\n--B--\r\nepilogue";
    const std::optional<FormFields> form = MultipartParser::parse("multipart/form-data; boundary=B", body);
    QVERIFY(form);
    QCOMPARE(form->value("action"), std::optional<QByteArray>("1"));

    // A value that only looks like a delimiter (no CR LF in front) stays part of the value.
    const QByteArray lookalike = "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx--B\r\n--B--";
    QCOMPARE(MultipartParser::parse("multipart/form-data; boundary=B", lookalike)->value("a"),
             std::optional<QByteArray>("x--B"));
    // A part whose headers run into the next delimiter is broken.
    const QByteArray headless = "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n--B--\r\n";
    QVERIFY(!MultipartParser::parse("multipart/form-data; boundary=B", headless));
}

QTEST_GUILESS_MAIN(MultipartParserTest)
#include "MultipartParserTest.moc"
