#include "products/ProductRows.h"

#include <QTest>

using namespace vo;

namespace {
ProductRecord listed(const char *key, const char *name, const char *folder, const char *thanks, const char *code)
{
    return {key, name, folder, thanks, code, {}};
}
} // namespace

class ProductRowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listReplyRowsInTheSitesOrder()
    {
        const ProductListReply reply = ParseProductList(
            "\"3\",\"Zeta\",\"z\",\"tz.html\",\"C3\"^\"1\",\"alpha\",\"a\",\"ta.html\",\"C1\"^\"2\",\"Beta\",\"b\",\"tb.html\",\"C2\"^OK");
        QVERIFY(reply.complete);
        QVERIFY(!reply.onlyOk);
        QCOMPARE(reply.rows.size(), std::size_t(3));
        QCOMPARE(reply.rows[0], listed("3", "Zeta", "z", "tz.html", "C3"));
        QCOMPARE(reply.rows[1], listed("1", "alpha", "a", "ta.html", "C1"));
        QCOMPARE(reply.rows[2], listed("2", "Beta", "b", "tb.html", "C2"));
    }

    void keyAndCodeLoseQuotesAndPaddingOthersStayAsSent()
    {
        const ProductListReply reply = ParseProductList("\"  7 \",\" Name \",\"f\",\"t\",\" C7  \"^OK");
        QCOMPARE(reply.rows.size(), std::size_t(1));
        QCOMPARE(reply.rows[0], listed("7", " Name ", "f", "t", "C7"));
    }

    void replyWithoutRows()
    {
        const ProductListReply bare = ParseProductList("OK");
        QVERIFY(bare.onlyOk);
        QVERIFY(bare.rows.empty());
        // "^OK" alone is an empty list whose count is shown.
        const ProductListReply caret = ParseProductList("^OK");
        QVERIFY(!caret.onlyOk);
        QVERIFY(caret.complete);
        QVERIFY(caret.rows.empty());
    }

    void lineWithTooFewFieldsEndsTheReadingAndKeepsEarlierRows()
    {
        const ProductListReply reply =
            ParseProductList("\"1\",\"a\",\"b\",\"c\",\"d\"^\"2\",\"broken\",\"x\"^\"3\",\"c\",\"d\",\"e\",\"f\"^OK");
        QVERIFY(!reply.complete);
        QCOMPARE(reply.rows.size(), std::size_t(1));
        QCOMPARE(reply.rows[0].Key, QByteArray("1"));
    }

    void lineBreaksInsideTheReplySeparateRowsToo()
    {
        const ProductListReply reply = ParseProductList("\"1\",\"a\",\"b\",\"c\",\"d\"\r\n\"2\",\"e\",\"f\",\"g\",\"h\"\n^OK");
        QVERIFY(reply.complete);
        QCOMPARE(reply.rows.size(), std::size_t(2));
        QCOMPARE(reply.rows[1].Code, QByteArray("h"));
    }

    void productRowOfSixFields()
    {
        const auto product = ParseProductRow("\"9\",\"Book\",\"books\",\"thanks.html\",\"CODE9\",\" key with spaces \"");
        QVERIFY(product);
        QCOMPARE(product->Name, QByteArray("Book"));
        QCOMPARE(product->Code, QByteArray("CODE9"));
        // Only the quotes go from the thanks key; its spaces are the site's.
        QCOMPARE(product->ThanksKey, QByteArray(" key with spaces "));
    }

    void productRowThatDoesNotSplitIntoSixFieldsIsRefused_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("five fields") << QByteArray("\"9\",\"Book\",\"books\",\"thanks.html\",\"CODE9\"");
        QTest::newRow("comma in a name") << QByteArray("\"9\",\"Book, vol 2\",\"books\",\"thanks.html\",\"C\",\"K\"");
        QTest::newRow("empty") << QByteArray();
    }
    void productRowThatDoesNotSplitIntoSixFieldsIsRefused()
    {
        QFETCH(QByteArray, row);
        QCOMPARE(ParseProductRow(row), std::nullopt);
    }

    void valuesThatCannotTravelInARow()
    {
        QVERIFY(FitsProductRow("My product - v2 (final) & more $5 %20"));
        QVERIFY(FitsProductRow("caf\xE9"));
        for (const char *bad : {"a,b", "a^b", "say \"hi\"", "two\nlines", "two\rlines", "x^OK"})
            QVERIFY2(!FitsProductRow(bad), bad);
    }

    void thanksPageUrlIsAJoinWithNothingEncoded()
    {
        ProductRecord product;
        product.Code = "A&B #1";
        product.ThanksKey = " k\xE9y ";
        QCOMPARE(BuildThanksPageUrl("http://shop.example/dl", product),
                 QByteArray("http://shop.example/dl/thanks.php?id=A&B #1&sk= k\xE9y "));
        QCOMPARE(BuildThanksPageUrl("http://shop.example/", product).left(35), QByteArray("http://shop.example//thanks.php?id="));
    }

    void trimmingRemovesControlsAndSpacesOnly()
    {
        QCOMPARE(TrimControls(QByteArray("\t \x01 name x \r\n\x1F", 13)), QByteArray("name x"));
        QCOMPARE(TrimControls("\xA0name\xA0"), QByteArray("\xA0name\xA0"));
        QCOMPARE(TrimControls("   "), QByteArray());
    }
};

QTEST_APPLESS_MAIN(ProductRowsTest)
#include "ProductRowsTest.moc"
