#pragma once

#include "net/CookieManager.h"
#include "net/HttpRequest.h"
#include "net/SocketChannel.h"

#include <QByteArray>
#include <QObject>

class QIODevice;

namespace vo {

class TIdMultiPartFormDataStream;
struct HttpUrl;
struct ReplyHead;

// The console's one HTTP client, on a plain TCP socket. Every operation is synchronous for
// its caller and throws an EIdException after its wait has ended; while it waits, the
// window goes on processing events, so any handler may call Disconnect() to end the wait.
// One operation at a time: starting another while one waits fails with EIdClientBusy
// before anything is sent.
class TIdHTTP : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRedirectMaximum = 15;
    static constexpr qsizetype kMaxLineLength = 16384;
    // Used for connecting when ReadTimeout is 0.
    static constexpr int kDefaultConnectTimeoutMs = 120000;
    // The rest of a redirect's body is read and thrown away within this time...
    static constexpr int kRedirectDiscardMs = 4000;
    // ...and an error reply's body is collected within this one, and up to this size: nobody
    // reads more of it than a line or two.
    static constexpr int kErrorBodyMs = 2000;
    static constexpr qint64 kMaxErrorBody = 64 * 1024;
    // PostForm and GetText hold the reply in memory; larger replies fail. Each caller passes
    // a smaller cap sized to what its reply can hold.
    static constexpr qint64 kMaxTextReply = 64 * 1024 * 1024;
    // Interim "100 Continue" replies skipped before the final one; one is all a server needs.
    static constexpr int kMaxInterimReplies = 5;
    // Once the first reply byte has come, an operation has this long, plus the time its body
    // cap takes at kMinBytesPerSecond, to end. A server that never answers still waits without
    // limit while ReadTimeout is 0; one that trickles a byte now and then does not hold the
    // one client for ever.
    static constexpr int kTransferGraceMs = 60000;
    static constexpr qint64 kMinBytesPerSecond = 8 * 1024;
    // GetToStream hands the sink pieces of at most this size.
    static constexpr qsizetype kStreamPieceSize = ReplyReader::kMaxPiece;

    explicit TIdHTTP(QObject *parent = nullptr);

    // POSTs the form to `url` (as HTTP/1.0) and returns the final reply's body. A body over
    // `maxBody` bytes fails with EIdReplyTooLarge.
    QByteArray PostForm(const QByteArray &url, const TIdMultiPartFormDataStream &form,
                        qint64 maxBody = kMaxTextReply);
    // GETs `url` and returns the final reply's body, `maxBody` bytes at most.
    QByteArray GetText(const QByteArray &url, qint64 maxBody = kMaxTextReply);
    // GETs `url` and writes the final reply's body to `sink` as it arrives. A body over
    // `maxBody` bytes fails before the excess is written. On failure the sink keeps whatever
    // had arrived.
    void GetToStream(const QByteArray &url, QIODevice &sink, qint64 maxBody = kMaxTextReply);

    // Closes the connection if one is open; an operation that waits fails at once.
    void Disconnect();

    // The status line of the last reply read, without its line ending.
    QByteArray LastStatusLine() const { return lastStatusLine_; }

    // Milliseconds; 0 means no limit.
    int ReadTimeout() const { return readTimeout_; }
    void setReadTimeout(int ms) { readTimeout_ = ms; }

    // True while an operation is under way (and so waiting).
    bool busy() const { return busy_; }

    const TIdHTTPRequest &Request() const { return request_; }
    TIdCookieManager &CookieManager() { return cookies_; }

    // Test seam: the fixed limits above, shortened so the tests stay quick.
    struct Limits
    {
        int redirectDiscardMs = kRedirectDiscardMs;
        int errorBodyMs = kErrorBodyMs;
        qint64 maxTextReply = kMaxTextReply;
        // When positive, it stands for ReadTimeout in every wait, whatever the callers set.
        int readTimeoutMs = 0;
        // The connect limit while ReadTimeout is 0.
        int connectTimeoutMs = kDefaultConnectTimeoutMs;
        int transferGraceMs = kTransferGraceMs;
        qint64 minBytesPerSecond = kMinBytesPerSecond;
    };
    void setLimits(const Limits &limits) { limits_ = limits; }

private:
    using Sink = ReplyReader::Sink;

    void run(HttpMethod method, const QByteArray &url, const TIdMultiPartFormDataStream *form,
             qint64 maxBody, const Sink &sink);
    void follow(HttpMethod method, HttpUrl url, const TIdMultiPartFormDataStream *form, const Sink &sink);
    ReplyHead send(HttpMethod method, const HttpUrl &url, const TIdMultiPartFormDataStream *form,
                   ReplyReader &reader);
    void finish(HttpMethod method, const ReplyHead &head, bool closedByPeer);
    void discardRedirectBody(const ReplyHead &head, ReplyReader &reader, HttpMethod method);
    [[noreturn]] void failWithProtocolError(const ReplyHead &head, ReplyReader &reader);
    QByteArray textOf(HttpMethod method, const QByteArray &url, const TIdMultiPartFormDataStream *form,
                      qint64 maxBody);
    qint64 transferBudgetMs(qint64 maxBody) const;
    int connectLimit() const;
    int readLimit() const;

    TIdHTTPRequest request_;
    TIdCookieManager cookies_;
    SocketChannel channel_;
    QByteArray lastStatusLine_;
    int readTimeout_ = 0;
    bool busy_ = false;
    Limits limits_;
};

} // namespace vo
