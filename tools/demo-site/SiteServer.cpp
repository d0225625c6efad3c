#include "SiteServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace vo::demo {

namespace {

const char targetProperty[] = "voRequestTarget";

// QHttpServerRequest::url() reads a target that begins with "//" as a network-path reference
// and then replaces its authority with the Host header, so "//actions.php" would arrive as the
// site root. This server keeps the raw target of each connection's request line on the socket.
// Each connection carries one request (the reply closes it), so the first line is the one.
class TargetKeepingTcpServer : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QTcpSocket(this); // owned by this server until handed on
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        // Connected before the HTTP server's own slot, so this runs first on every read.
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (socket->property(targetProperty).isValid() || !socket->canReadLine())
                return;
            const QList<QByteArray> requestLine = socket->peek(16384).split('\n').constFirst().trimmed().split(' ');
            socket->setProperty(targetProperty, requestLine.size() >= 2 ? requestLine.at(1) : QByteArray());
        });
        addPendingConnection(socket);
    }
};

} // namespace

SiteServer::SiteServer(QObject *parent) : QAbstractHttpServer(parent) {}

void SiteServer::route(Method method, const QByteArray &script, Handler handler)
{
    routes_.append(Route{method, script, std::move(handler)});
}

quint16 SiteServer::start(quint16 port)
{
    auto *tcpServer = new TargetKeepingTcpServer(this);
    if (!tcpServer->listen(QHostAddress::LocalHost, port)) {
        delete tcpServer;
        return 0;
    }
    bind(tcpServer);
    return tcpServer->serverPort();
}

QByteArray SiteServer::scriptOf(const QByteArray &target)
{
    qsizetype end = target.indexOf('?');
    if (end < 0)
        end = target.indexOf('#');
    QByteArray path = target.left(end < 0 ? target.size() : end);
    while (path.startsWith('/'))
        path.remove(0, 1);
    return path;
}

void SiteServer::send(const QHttpServerRequest &request, QTcpSocket *socket, const SiteReply &reply)
{
    makeResponder(request, socket)
        .write(reply.body, {{QByteArrayLiteral("Content-Type"), reply.mimeType},
                            {QByteArrayLiteral("Connection"), QByteArrayLiteral("close")}},
               reply.status);
    socket->disconnectFromHost(); // after the reply's bytes have gone out
}

bool SiteServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QByteArray script = scriptOf(socket->property(targetProperty).toByteArray());
    for (const Route &r : routes_) {
        if (r.method == request.method() && r.script == script) {
            send(request, socket, r.handler(request));
            return true;
        }
    }
    return false;
}

void SiteServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    send(request, socket,
         SiteReply{QHttpServerResponder::StatusCode::NotFound, QByteArrayLiteral("text/plain"),
                   QByteArrayLiteral("Not found")});
}

} // namespace vo::demo
