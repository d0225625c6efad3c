#include "branding/UUtils.h"

#include <QTest>

using vo::DecodeDollarHex;
using vo::SplitByChar;

class UUtilsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitByChar_data()
    {
        QTest::addColumn<char>("separator");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("pieces");

        QTest::newRow("empty") << '^' << QByteArray() << QByteArrayList{};
        QTest::newRow("no separator") << '^' << QByteArray("abc") << QByteArrayList{"abc"};
        QTest::newRow("one separator") << '^' << QByteArray("a^b") << QByteArrayList{"a", "b"};
        QTest::newRow("adjacent separators") << '^' << QByteArray("a^^b") << QByteArrayList{"a", "", "b"};
        QTest::newRow("leading separator") << '^' << QByteArray("^a") << QByteArrayList{"", "a"};
        QTest::newRow("trailing separator") << '^' << QByteArray("a^") << QByteArrayList{"a"};
        QTest::newRow("two pieces and trailing") << '^' << QByteArray("a^b^") << QByteArrayList{"a", "b"};
        QTest::newRow("separator alone") << '^' << QByteArray("^") << QByteArrayList{""};
        QTest::newRow("two separators alone") << '^' << QByteArray("^^") << QByteArrayList{"", ""};
        QTest::newRow("trailing empty then text") << '^' << QByteArray("^^x^") << QByteArrayList{"", "", "x"};
        // The news-list separator is a byte above 127: it must not be taken as a signed surprise.
        QTest::newRow("byte 175") << '\xAF' << QByteArray("1^t^d\xAF" "2^u^e\xAF")
                                  << QByteArrayList{"1^t^d", "2^u^e"};
        QTest::newRow("comma keeps other bytes") << ',' << QByteArray("7,Name\xE9,dir,") << QByteArrayList{"7", "Name\xE9", "dir"};
        QTest::newRow("zero bytes are data") << ',' << QByteArray("a\0b,c", 5) << QByteArrayList{QByteArray("a\0b", 3), "c"};
    }

    void splitByChar()
    {
        QFETCH(char, separator);
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, pieces);

        QByteArrayList list{"left", "over", "from before"};
        SplitByChar(separator, text, list);
        QCOMPARE(list, pieces);
    }

    void decodeDollarHex_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("result");

        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("no dollar") << QByteArray("plain text, 100% \xE9t\xE9") << QByteArray("plain text, 100% \xE9t\xE9");
        QTest::newRow("two escapes") << QByteArray("$41$42c") << QByteArray("ABc");
        QTest::newRow("space") << QByteArray("a$20b") << QByteArray("a b");
        QTest::newRow("lower-case digits") << QByteArray("$4a") << QByteArray("J");
        QTest::newRow("upper-case digits") << QByteArray("$4A") << QByteArray("J");
        QTest::newRow("dollar is not decoded twice") << QByteArray("$24") << QByteArray("$");
        QTest::newRow("dollar then digits stays plain") << QByteArray("$2441") << QByteArray("$41");
        QTest::newRow("escape cut short") << QByteArray("x$9") << QByteArray("x\x09");
        QTest::newRow("lone dollar at end") << QByteArray("abc$") << QByteArray();
        QTest::newRow("not hexadecimal") << QByteArray("ab$zz") << QByteArray();
        QTest::newRow("second digit not hexadecimal") << QByteArray("ab$4g") << QByteArray();
        QTest::newRow("sign") << QByteArray("ab$-1") << QByteArray();
        QTest::newRow("blank") << QByteArray("ab$ 1") << QByteArray();
        QTest::newRow("double dollar") << QByteArray("$$41") << QByteArray();
        QTest::newRow("zero byte") << QByteArray("$00") << QByteArray("\0", 1);
        QTest::newRow("high byte") << QByteArray("caf$E9!") << QByteArray("caf\xE9!");
        QTest::newRow("byte 255") << QByteArray("$ff") << QByteArray("\xFF");
    }

    void decodeDollarHex()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, result);

        const QByteArray before = text;
        QCOMPARE(DecodeDollarHex(text), result);
        QCOMPARE(text, before);
    }
};

QTEST_GUILESS_MAIN(UUtilsTest)
#include "UUtilsTest.moc"
