#pragma once

// A raw TCP server for tests of anything that speaks HTTP through the client. Every case is
// data, as in curl's test suite: the test queues the exact reply bytes to give and reads
// back the exact request bytes that arrived.
//
//     vo::test::ScriptServer server;                       // 127.0.0.1, a free port
//     server.queue(vo::test::ScriptedReply::ok("OK"));     // answer to the first request
//     http.PostForm(server.url("/actions.php"), form);
//     QCOMPARE(server.requests().at(0).requestLine(), "POST /actions.php HTTP/1.0");
//
// Replies are taken from the queue in order, one per complete request, whatever connection
// it came on. A request with no queued reply gets none (the server stalls). The server runs
// on the test's thread: it makes progress whenever an event loop runs, which is exactly
// what the client's waits do.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

namespace vo::test {

// The bytes and pauses of one reply.
class ScriptedReply
{
public:
    ScriptedReply() = default; // no steps: the request is never answered
    explicit ScriptedReply(const QByteArray &bytes) { send(bytes); }

    // "HTTP/1.1 <status>" CR LF, the extra header lines (each ending in CR LF),
    // Content-Length, an empty line, then the body.
    static ScriptedReply withBody(const QByteArray &status, const QByteArray &body,
                                  const QByteArray &extraHeaders = {});
    static ScriptedReply ok(const QByteArray &body, const QByteArray &extraHeaders = {});
    // A redirect with a Location header and an empty body.
    static ScriptedReply redirect(const QByteArray &location, const QByteArray &status = "302 Found");

    ScriptedReply &send(const QByteArray &bytes);
    // The bytes in pieces of `pieceSize`, with `gapMs` between them, so the client reads
    // them in separate waits.
    ScriptedReply &sendInPieces(const QByteArray &bytes, int pieceSize, int gapMs = 2);
    ScriptedReply &pause(int ms);
    // Closes the connection once everything before has been written.
    ScriptedReply &close();
    // Resets the connection (RST, not FIN) once everything before has been written.
    ScriptedReply &reset();

    struct Step
    {
        enum Kind { Send, Pause, Close, Reset } kind;
        QByteArray bytes;
        int ms = 0;
    };
    const QList<Step> &steps() const { return steps_; }

private:
    QList<Step> steps_;
};

// One complete request as it arrived.
struct RecordedRequest
{
    int connection = 0; // index of the accepted connection, from 0
    QByteArray bytes;   // request line, headers, empty line and body, exactly

    QByteArray head() const;        // up to and including the empty line
    QByteArray body() const;        // what follows the head
    QByteArray requestLine() const; // without CR LF
    // The value of the first header of that name (any letter case); empty when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    // The header names in the order they were sent.
    QList<QByteArray> headerNames() const;
};

class ScriptConnection;

class ScriptServer : public QObject
{
    Q_OBJECT
public:
    explicit ScriptServer(QObject *parent = nullptr);
    ~ScriptServer() override;

    bool isListening() const { return server_.isListening(); }
    quint16 port() const { return server_.serverPort(); }
    // "http://127.0.0.1:<port>" followed by `path`.
    QByteArray url(const QByteArray &path = "/") const;

    void queue(const ScriptedReply &reply);
    int queuedReplies() const { return int(replies_.size()); }

    const QList<RecordedRequest> &requests() const { return requests_; }
    int connectionCount() const { return connections_; }
    // Bytes received on all connections that do not (yet) form a complete request.
    qsizetype pendingBytes() const;

Q_SIGNALS:
    void requestReceived(int index);

private:
    friend class ScriptConnection;
    void accept();
    ScriptedReply takeReply();
    void record(const RecordedRequest &request);

    QTcpServer server_;
    QList<ScriptedReply> replies_;
    QList<RecordedRequest> requests_;
    QList<ScriptConnection *> open_; // owned through Qt parenting
    int connections_ = 0;
};

// The fields of a multipart/form-data body as an RFC 2046 parser sees them: the CR LF
// before each delimiter belongs to the delimiter. The boundary is taken from `contentType`
// ("multipart/form-data; boundary=...").
QList<QPair<QByteArray, QByteArray>> parseMultipartFields(const QByteArray &body,
                                                          const QByteArray &contentType);

} // namespace vo::test
