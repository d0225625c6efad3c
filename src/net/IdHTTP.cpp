#include "net/IdHTTP.h"

#include "net/IdExceptions.h"
#include "net/MultipartForm.h"
#include "net/ReplyPolicy.h"
#include "net/Url.h"

#include <QIODevice>

namespace vo {

namespace {

// Clears the busy flag however the operation ends.
class BusyScope
{
public:
    explicit BusyScope(bool &busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &busy_;
};

} // namespace

TIdHTTP::TIdHTTP(QObject *parent) : QObject(parent), channel_(this) {}

QByteArray TIdHTTP::PostForm(const QByteArray &url, const TIdMultiPartFormDataStream &form, qint64 maxBody)
{
    return textOf(HttpMethod::Post, url, &form, maxBody);
}

QByteArray TIdHTTP::GetText(const QByteArray &url, qint64 maxBody)
{
    return textOf(HttpMethod::Get, url, nullptr, maxBody);
}

QByteArray TIdHTTP::textOf(HttpMethod method, const QByteArray &url, const TIdMultiPartFormDataStream *form,
                           qint64 maxBody)
{
    QByteArray text;
    const qint64 limit = qMin(maxBody, limits_.maxTextReply);
    run(method, url, form, limit, [&text](QByteArrayView piece) { text.append(piece); });
    return text;
}

void TIdHTTP::GetToStream(const QByteArray &url, QIODevice &sink, qint64 maxBody)
{
    run(HttpMethod::Get, url, nullptr, maxBody, [&sink](QByteArrayView piece) {
        if (sink.write(piece.data(), piece.size()) != piece.size())
            throw EIdSinkWriteError();
    });
}

qint64 TIdHTTP::transferBudgetMs(qint64 maxBody) const
{
    // A day is more than any cap of the console needs; beyond it the arithmetic only overflows.
    constexpr qint64 kLongestBudgetSeconds = 24 * 3600;
    const qint64 rate = qMax<qint64>(1, limits_.minBytesPerSecond);
    const qint64 seconds = qMin(qMax<qint64>(0, maxBody) / rate, kLongestBudgetSeconds);
    return limits_.transferGraceMs + seconds * 1000;
}

void TIdHTTP::Disconnect()
{
    if (busy_)
        channel_.interrupt();
    else
        channel_.close();
}

int TIdHTTP::readLimit() const
{
    return limits_.readTimeoutMs > 0 ? limits_.readTimeoutMs : readTimeout_;
}

int TIdHTTP::connectLimit() const
{
    return readLimit() > 0 ? readLimit() : limits_.connectTimeoutMs;
}

void TIdHTTP::run(HttpMethod method, const QByteArray &url, const TIdMultiPartFormDataStream *form,
                  qint64 maxBody, const Sink &sink)
{
    if (busy_)
        throw EIdClientBusy();
    const BusyScope busy(busy_);
    channel_.clearInterrupt();
    channel_.setTransferBudget(transferBudgetMs(maxBody));
    if (method == HttpMethod::Post)
        request_.ContentType = form->contentType();
    qint64 received = 0;
    const Sink capped = [&received, maxBody, &sink](QByteArrayView piece) {
        if (piece.size() > maxBody - received)
            throw EIdReplyTooLarge(maxBody);
        received += piece.size();
        sink(piece);
    };
    try {
        follow(method, parseHttpUrl(url), form, capped);
    } catch (...) {
        channel_.close();
        throw;
    }
}

void TIdHTTP::follow(HttpMethod method, HttpUrl url, const TIdMultiPartFormDataStream *form, const Sink &sink)
{
    for (int sent = 1;; ++sent) {
        ReplyReader reader(channel_, kMaxLineLength);
        const ReplyHead head = send(method, url, form, reader);
        switch (nextStep(head)) {
        case ReplyStep::Redirect:
            discardRedirectBody(head, reader, method);
            // The last allowed request answered with yet another redirect: the operation
            // ends quietly with nothing, unless a Disconnect ended the discarding, which the
            // next hop's send would have reported.
            if (sent >= kRedirectMaximum) {
                channel_.throwIfInterrupted();
                return;
            }
            url = resolveLocation(url, head.value("Location"));
            continue;
        case ReplyStep::Deliver: {
            const bool closed = !hasNoBody(head.statusCode) && reader.readBody(head, sink);
            finish(method, head, closed);
            return;
        }
        case ReplyStep::Fail:
            break;
        }
        failWithProtocolError(head, reader);
    }
}

ReplyHead TIdHTTP::send(HttpMethod method, const HttpUrl &url, const TIdMultiPartFormDataStream *form,
                        ReplyReader &reader)
{
    channel_.throwIfInterrupted();
    const bool post = method == HttpMethod::Post;
    if (post) {
        // The seller's scripts see every POST on a fresh connection.
        channel_.close();
        if (request_.Connection.isEmpty())
            request_.Connection = QByteArrayLiteral("keep-alive");
    }
    if (!channel_.isOpenTo(url.host, url.port)) {
        // A later hop of a redirect chain connects within what is left of the transfer budget.
        const qint64 left = channel_.transferRemainingMs();
        channel_.open(url.host, url.port, left < 0 ? connectLimit() : int(qMin<qint64>(connectLimit(), left)));
    }

    const QByteArray body = post ? form->body() : QByteArray();
    channel_.write(request_.head(method, url, body.size(), cookies_.CookieHeaderFor(url)));
    if (post)
        channel_.write(body);

    channel_.setReadLimit(readLimit());
    for (int interim = 0;; ++interim) {
        ReplyHead head = reader.readHead();
        lastStatusLine_ = head.statusLine;
        for (const ReplyHeader &h : std::as_const(head.headers)) {
            if (h.name.compare("Set-Cookie", Qt::CaseInsensitive) == 0
                || h.name.compare("Set-Cookie2", Qt::CaseInsensitive) == 0)
                cookies_.AddServerCookie(h.value, url);
        }
        if (!isInterimReply(head))
            return head;
        // An endless run of interim replies would hold the client as surely as silence.
        if (interim == kMaxInterimReplies)
            failWithProtocolError(head, reader);
    }
}

void TIdHTTP::finish(HttpMethod method, const ReplyHead &head, bool closedByPeer)
{
    if (!keepsConnection(method, head, closedByPeer))
        channel_.close();
}

void TIdHTTP::discardRedirectBody(const ReplyHead &head, ReplyReader &reader, HttpMethod method)
{
    channel_.setReadLimit(0, QDeadlineTimer(limits_.redirectDiscardMs));
    try {
        finish(method, head, !hasNoBody(head.statusCode) && reader.readBody(head, [](QByteArrayView) {}));
    } catch (const EIdException &) {
        // What is left of a redirect does not matter; the connection is unusable though.
        channel_.close();
    }
}

void TIdHTTP::failWithProtocolError(const ReplyHead &head, ReplyReader &reader)
{
    QByteArray body;
    if (!hasNoBody(head.statusCode)) {
        channel_.setReadLimit(0, QDeadlineTimer(limits_.errorBodyMs));
        const qint64 limit = qMin(kMaxErrorBody, limits_.maxTextReply);
        try {
            reader.readBody(head, [&body, limit](QByteArrayView piece) {
                body.append(piece.first(qMin<qint64>(piece.size(), qMax<qint64>(0, limit - body.size()))));
            });
        } catch (const EIdException &) {
            // The error is the status; its body is whatever arrived in time.
        }
    }
    channel_.close();
    throw EIdHTTPProtocolException(head.statusCode, head.statusLine, body);
}

} // namespace vo
