#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QList>

#include <functional>

namespace vo::demo {

struct SiteReply
{
    QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::Ok;
    QByteArray mimeType;
    QByteArray body;
};

// An HTTP server on 127.0.0.1 that hands each request to the handler registered for its method
// and script name. The script name is the request target's path without its leading slashes,
// so "/actions.php" and the "//actions.php" of a site URL that ends in "/" reach the same
// handler; "" is the site root. Every reply closes its connection.
class SiteServer : public QAbstractHttpServer
{
public:
    using Method = QHttpServerRequest::Method;
    using Handler = std::function<SiteReply(const QHttpServerRequest &)>;

    explicit SiteServer(QObject *parent = nullptr);

    void route(Method method, const QByteArray &script, Handler handler);

    // Port 0 takes a free one. Returns the port, 0 when it cannot listen.
    quint16 start(quint16 port);

    // The script name of a raw request target ("//thanks.php?id=1" gives "thanks.php").
    static QByteArray scriptOf(const QByteArray &target);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    static void send(const QHttpServerRequest &request, QTcpSocket *socket, const SiteReply &reply);

    struct Route
    {
        Method method;
        QByteArray script;
        Handler handler;
    };
    QList<Route> routes_;
};

} // namespace vo::demo
