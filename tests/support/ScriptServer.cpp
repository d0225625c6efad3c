#include "support/ScriptServer.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace vo::test {

namespace {
constexpr QByteArrayView kHeadEnd = "\r\n\r\n";

qsizetype headLength(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf(kHeadEnd);
    return end < 0 ? -1 : end + kHeadEnd.size();
}

QList<QByteArray> headLines(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines)
        line = line.trimmed();
    lines.removeAll(QByteArray());
    return lines;
}
} // namespace

// ---- ScriptedReply ----

ScriptedReply ScriptedReply::withBody(const QByteArray &status, const QByteArray &body,
                                      const QByteArray &extraHeaders)
{
    return ScriptedReply("HTTP/1.1 " + status + "\r\n" + extraHeaders
                         + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

ScriptedReply ScriptedReply::ok(const QByteArray &body, const QByteArray &extraHeaders)
{
    return withBody("200 OK", body, extraHeaders);
}

ScriptedReply ScriptedReply::redirect(const QByteArray &location, const QByteArray &status)
{
    return withBody(status, {}, "Location: " + location + "\r\n");
}

ScriptedReply &ScriptedReply::send(const QByteArray &bytes)
{
    steps_.append(Step{Step::Send, bytes});
    return *this;
}

ScriptedReply &ScriptedReply::sendInPieces(const QByteArray &bytes, int pieceSize, int gapMs)
{
    for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
        if (at > 0)
            pause(gapMs);
        send(bytes.mid(at, pieceSize));
    }
    return *this;
}

ScriptedReply &ScriptedReply::pause(int ms)
{
    steps_.append(Step{Step::Pause, {}, ms});
    return *this;
}

ScriptedReply &ScriptedReply::close()
{
    steps_.append(Step{Step::Close, {}});
    return *this;
}

ScriptedReply &ScriptedReply::reset()
{
    steps_.append(Step{Step::Reset, {}});
    return *this;
}

// ---- RecordedRequest ----

QByteArray RecordedRequest::head() const
{
    const qsizetype length = headLength(bytes);
    return length < 0 ? bytes : bytes.left(length);
}

QByteArray RecordedRequest::body() const
{
    const qsizetype length = headLength(bytes);
    return length < 0 ? QByteArray() : bytes.mid(length);
}

QByteArray RecordedRequest::requestLine() const
{
    return bytes.left(bytes.indexOf("\r\n"));
}

QList<QByteArray> RecordedRequest::headerNames() const
{
    QList<QByteArray> names;
    const QList<QByteArray> lines = headLines(head());
    for (qsizetype i = 1; i < lines.size(); ++i)
        names.append(lines.at(i).left(lines.at(i).indexOf(':')));
    return names;
}

QByteArray RecordedRequest::header(QByteArrayView name) const
{
    const QList<QByteArray> lines = headLines(head());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0 && QByteArrayView(lines.at(i)).first(colon).compare(name, Qt::CaseInsensitive) == 0)
            return lines.at(i).mid(colon + 1).trimmed();
    }
    return {};
}

bool RecordedRequest::hasHeader(QByteArrayView name) const
{
    for (const QByteArray &n : headerNames()) {
        if (QByteArrayView(n).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// ---- ScriptConnection ----

// One accepted connection: collects request bytes, records each complete request and plays
// the reply that the server hands it, one step at a time.
class ScriptConnection : public QObject
{
public:
    ScriptConnection(ScriptServer &server, QTcpSocket *socket, int index)
        : QObject(&server), server_(server), socket_(socket), index_(index)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &ScriptConnection::readRequests);
    }

    qsizetype pendingBytes() const { return buffer_.size(); }

private:
    void readRequests()
    {
        buffer_.append(socket_->readAll());
        for (;;) {
            const qsizetype head = headLength(buffer_);
            if (head < 0)
                return;
            const RecordedRequest probe{index_, buffer_.left(head)};
            const qsizetype total = head + probe.header("Content-Length").toLongLong();
            if (buffer_.size() < total)
                return;
            const RecordedRequest request{index_, buffer_.left(total)};
            buffer_.remove(0, total);
            const ScriptedReply reply = server_.takeReply();
            steps_.append(reply.steps());
            if (reply.steps().isEmpty())
                stalled_ = true;
            server_.record(request);
            play();
        }
    }

    void play()
    {
        while (!playing_ && !stalled_ && !steps_.isEmpty() && socket_) {
            const ScriptedReply::Step step = steps_.takeFirst();
            switch (step.kind) {
            case ScriptedReply::Step::Send:
                socket_->write(step.bytes);
                socket_->flush();
                break;
            case ScriptedReply::Step::Pause:
                playing_ = true;
                QTimer::singleShot(step.ms, this, [this] {
                    playing_ = false;
                    play();
                });
                return;
            case ScriptedReply::Step::Close:
                socket_->disconnectFromHost();
                return;
            case ScriptedReply::Step::Reset: {
                // Closing with a zero linger time sends RST instead of FIN.
                const linger now{1, 0};
#ifdef Q_OS_WIN
                ::setsockopt(SOCKET(socket_->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                             reinterpret_cast<const char *>(&now), sizeof now);
#else
                ::setsockopt(int(socket_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
#endif
                socket_->abort();
                return;
            }
            }
        }
    }

    ScriptServer &server_;
    QPointer<QTcpSocket> socket_;
    const int index_;
    QByteArray buffer_;
    QList<ScriptedReply::Step> steps_;
    bool playing_ = false;
    bool stalled_ = false;
};

// ---- ScriptServer ----

ScriptServer::ScriptServer(QObject *parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &ScriptServer::accept);
    server_.listen(QHostAddress::LocalHost, 0);
}

ScriptServer::~ScriptServer() = default;

QByteArray ScriptServer::url(const QByteArray &path) const
{
    return "http://127.0.0.1:" + QByteArray::number(port()) + path;
}

void ScriptServer::queue(const ScriptedReply &reply)
{
    replies_.append(reply);
}

qsizetype ScriptServer::pendingBytes() const
{
    qsizetype total = 0;
    for (const ScriptConnection *c : open_)
        total += c->pendingBytes();
    return total;
}

void ScriptServer::accept()
{
    while (QTcpSocket *socket = server_.nextPendingConnection())
        open_.append(new ScriptConnection(*this, socket, connections_++));
}

ScriptedReply ScriptServer::takeReply()
{
    return replies_.isEmpty() ? ScriptedReply() : replies_.takeFirst();
}

void ScriptServer::record(const RecordedRequest &request)
{
    requests_.append(request);
    Q_EMIT requestReceived(int(requests_.size()) - 1);
}

// ---- multipart ----

QList<QPair<QByteArray, QByteArray>> parseMultipartFields(const QByteArray &body,
                                                          const QByteArray &contentType)
{
    QList<QPair<QByteArray, QByteArray>> fields;
    const qsizetype at = contentType.indexOf("boundary=");
    if (at < 0)
        return fields;
    const QByteArray delimiter = "\r\n--" + contentType.mid(at + 9);
    // The first delimiter has no CR LF in front; lend it one.
    const QByteArray text = "\r\n" + body;
    qsizetype pos = text.indexOf(delimiter);
    while (pos >= 0) {
        pos += delimiter.size();
        if (text.mid(pos, 2) == "--")
            break;
        const qsizetype next = text.indexOf(delimiter, pos);
        if (next < 0)
            break;
        const QByteArray part = text.mid(pos, next - pos);
        const qsizetype headEnd = part.indexOf(kHeadEnd);
        if (headEnd >= 0) {
            const QByteArray headers = part.left(headEnd);
            const qsizetype nameAt = headers.indexOf("name=\"");
            const qsizetype nameEnd = headers.indexOf('"', nameAt + 6);
            if (nameAt >= 0 && nameEnd > nameAt)
                fields.append({headers.mid(nameAt + 6, nameEnd - nameAt - 6), part.mid(headEnd + kHeadEnd.size())});
        }
        pos = next;
    }
    return fields;
}

} // namespace vo::test
