#include "net/IdExceptions.h"
#include "net/ReplyReader.h"

#include <QTest>

using namespace vo;

namespace {

// Hands out scripted pieces one per read, then reports the close.
class PieceSource : public ByteSource
{
public:
    explicit PieceSource(QList<QByteArray> pieces) : pieces_(std::move(pieces)) {}
    bool readMore(QByteArray &buffer) override
    {
        if (pieces_.isEmpty())
            return false;
        buffer.append(pieces_.takeFirst());
        ++reads;
        return true;
    }
    int reads = 0;

private:
    QList<QByteArray> pieces_;
};

QList<QByteArray> split(const QByteArray &bytes, qsizetype size)
{
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        pieces.append(bytes.mid(at, size));
    return pieces;
}

struct Collected
{
    QByteArray bytes;
    QList<qsizetype> pieces;
    ReplyReader::Sink sink()
    {
        return [this](QByteArrayView piece) {
            bytes.append(piece);
            pieces.append(piece.size());
        };
    }
};

} // namespace

class ReplyReaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusCodes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::newRow("normal") << QByteArray("HTTP/1.1 200 OK") << 200;
        QTest::newRow("no reason") << QByteArray("HTTP/1.0 404") << 404;
        QTest::newRow("reason with spaces") << QByteArray("HTTP/1.1 500 Internal Server Error") << 500;
        QTest::newRow("not a number") << QByteArray("HTTP/1.1 OK fine") << -1;
        QTest::newRow("number with letters") << QByteArray("HTTP/1.1 20x OK") << -1;
        QTest::newRow("no space") << QByteArray("garbage") << -1;
        QTest::newRow("two spaces") << QByteArray("HTTP/1.1  200 OK") << -1;
    }

    void statusCodes()
    {
        QFETCH(QByteArray, line);
        QTEST(statusCodeOf(line), "code");
    }

    void linesEndAtLfAndLoseOnlyTheCrBeforeIt()
    {
        PieceSource source({"one\r", "\ntwo\nthree\r\r\n", "a\rb\n"});
        ReplyReader reader(source, 100);
        QCOMPARE(reader.readLine(), QByteArray("one"));
        QCOMPARE(reader.readLine(), QByteArray("two"));
        QCOMPARE(reader.readLine(), QByteArray("three\r"));
        QCOMPARE(reader.readLine(), QByteArray("a\rb"));
        QVERIFY_THROWS_EXCEPTION(EIdConnClosedGracefully, reader.readLine());
    }

    void lineLimitCountsBytesBeforeTheLineEnding_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("ending");
        QTest::addColumn<int>("pieceSize");
        QTest::addColumn<bool>("fits");
        for (const int pieceSize : {1000, 16385, 16386, 20000}) {
            for (const QByteArray &ending : {QByteArray("\r\n"), QByteArray("\n")}) {
                const QByteArray tag = (ending.size() == 2 ? "CRLF" : "LF") + QByteArray(" pieces ")
                                     + QByteArray::number(pieceSize);
                QTest::newRow(("16384 " + tag).constData()) << 16384 << ending << pieceSize << true;
                QTest::newRow(("16385 " + tag).constData()) << 16385 << ending << pieceSize << false;
            }
        }
    }

    void lineLimitCountsBytesBeforeTheLineEnding()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, ending);
        QFETCH(int, pieceSize);
        QFETCH(bool, fits);
        const QByteArray line(length, 'x');
        PieceSource source(split(line + ending + "next\n", pieceSize));
        ReplyReader reader(source, 16384);
        if (fits) {
            QCOMPARE(reader.readLine(), line);
            QCOMPARE(reader.readLine(), QByteArray("next"));
        } else {
            QVERIFY_THROWS_EXCEPTION(EIdReadLnMaxLineLengthExceeded, reader.readLine());
        }
    }

    void endlessLineFailsWithoutReadingEverything()
    {
        PieceSource source(split(QByteArray(200000, 'y'), 4096));
        ReplyReader reader(source, 16384);
        QVERIFY_THROWS_EXCEPTION(EIdReadLnMaxLineLengthExceeded, reader.readLine());
        QVERIFY(source.reads <= 6);
    }

    void headsWithFoldingAndEmptyLinesInFront()
    {
        PieceSource source({"\r\nHTTP/1.1 301 Moved\r\nLocation: /a\r\n", " /b\r\n\tc\r\nX-Empty:\r\nbare\r\n\r\nrest"});
        ReplyReader reader(source, 100);
        const ReplyHead head = reader.readHead();
        QCOMPARE(head.statusLine, QByteArray("HTTP/1.1 301 Moved"));
        QCOMPARE(head.statusCode, 301);
        QCOMPARE(head.headers.size(), 3);
        QCOMPARE(head.value("location"), QByteArray("/a /b c"));
        QVERIFY(head.has("X-EMPTY"));
        QCOMPARE(head.value("X-Empty"), QByteArray());
        QVERIFY(head.has("bare"));
        QVERIFY(!head.has("Content-Length"));
        Collected body;
        QVERIFY(reader.readBody(head, body.sink()));
        QCOMPARE(body.bytes, QByteArray("rest"));
    }

    void valuesListsEveryHeaderOfAName()
    {
        PieceSource source({"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nset-cookie: b=2\r\n\r\n"});
        ReplyReader reader(source, 100);
        QCOMPARE(reader.readHead().values("SET-COOKIE"), (QList<QByteArray>{"a=1", "b=2"}));
    }

    void chunkedBodiesSplitAnywhere()
    {
        const QByteArray wire = "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
                                "a \r\n0123456789\r\n"
                                "1;ext=\"x\"\r\n!\r\n"
                                "0\r\nTrailer: ignored\r\nX-Second: read to the empty line\r\n\r\n"
                                "NEXT\n";
        for (qsizetype size = 1; size <= wire.size(); ++size) {
            PieceSource source(split(wire, size));
            ReplyReader reader(source, 100);
            const ReplyHead head = reader.readHead();
            Collected body;
            QVERIFY(!reader.readBody(head, body.sink()));
            QCOMPARE(body.bytes, QByteArray("0123456789!"));
            QCOMPARE(reader.readLine(), QByteArray("NEXT"));
        }
    }

    void bodyPiecesNeverExceed32768()
    {
        const QByteArray data(100000, 'z');
        PieceSource source({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + data + "tail"});
        ReplyReader reader(source, 100);
        const ReplyHead head = reader.readHead();
        Collected body;
        QVERIFY(!reader.readBody(head, body.sink()));
        QCOMPARE(body.bytes, data);
        QCOMPARE(body.pieces, (QList<qsizetype>{32768, 32768, 32768, 1696}));
    }

    void contentLengthShortOrInvalid()
    {
        PieceSource shortSource({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"});
        ReplyReader shortReader(shortSource, 100);
        Collected shortBody;
        const ReplyHead shortHead = shortReader.readHead();
        QVERIFY_THROWS_EXCEPTION(EIdConnClosedGracefully, shortReader.readBody(shortHead, shortBody.sink()));
        QCOMPARE(shortBody.bytes, QByteArray("abc"));

        // A length that is no number frames nothing: the body runs to the close.
        PieceSource badSource({"HTTP/1.1 200 OK\r\nContent-Length: ten\r\n\r\nabc", "def"});
        ReplyReader badReader(badSource, 100);
        Collected badBody;
        QVERIFY(badReader.readBody(badReader.readHead(), badBody.sink()));
        QCOMPARE(badBody.bytes, QByteArray("abcdef"));
    }
};

QTEST_GUILESS_MAIN(ReplyReaderTest)
#include "ReplyReaderTest.moc"
