#include "DemoSite.h"

#include "ProductStore.h"

#include <QUrl>

namespace vo::demo {

DemoSite::DemoSite(ProductStore &store, QByteArray updateVersion)
    : actions_(store)
    , thanks_(store)
    , news_(QByteArray(kNewsPublisherId), QByteArray(kNewsTierCode))
    , updateVersion_(std::move(updateVersion))
{
    using Method = SiteServer::Method;
    server_.route(Method::Get, QByteArray(), [](const QHttpServerRequest &) { return welcome(); });
    server_.route(Method::Post, QByteArrayLiteral("actions.php"), [this](const QHttpServerRequest &request) {
        return SiteReply{QHttpServerResponder::StatusCode::Ok, QByteArrayLiteral("text/plain"),
                         actions_.answer(request.value(QByteArrayLiteral("Content-Type")), request.body())};
    });
    // The console fetches the script once before it adds or updates a product.
    server_.route(Method::Get, QByteArrayLiteral("actions.php"), [](const QHttpServerRequest &) {
        return SiteReply{QHttpServerResponder::StatusCode::Ok, QByteArrayLiteral("text/plain"),
                         QByteArrayLiteral("actions.php: post a form with the field \"action\".")};
    });
    server_.route(Method::Post, QByteArrayLiteral("news/getlastnews.php"), [this](const QHttpServerRequest &request) {
        return plain(news_.lastNews(request.value(QByteArrayLiteral("Content-Type")), request.body()));
    });
    server_.route(Method::Post, QByteArrayLiteral("news/getnewsdetails.php"), [this](const QHttpServerRequest &request) {
        return plain(news_.newsDetails(request.value(QByteArrayLiteral("Content-Type")), request.body()));
    });
    server_.route(Method::Get, QByteArrayLiteral("liveupdate/vantrel_oskel/mainappupdate.inf"),
                  [this](const QHttpServerRequest &) { return updateDescription(); });
    server_.route(Method::Get, QByteArrayLiteral("thanks.php"), [this](const QHttpServerRequest &request) {
        return thanks_.answer(queryValue(request, QByteArrayLiteral("id")),
                              queryValue(request, QByteArrayLiteral("sk")));
    });
}

quint16 DemoSite::listen(quint16 port)
{
    return server_.start(port);
}

SiteReply DemoSite::welcome()
{
    return ThanksPage::page(
        QByteArrayLiteral("Vantrel Oskel demo site"),
        QByteArrayLiteral("<p>A stand-in for a seller's web site, running on this computer for the "
                          "Vantrel Oskel console. It keeps the products that the console manages through "
                          "<code>actions.php</code> and shows a product's thanks page at "
                          "<code>thanks.php?id=CODE&amp;sk=KEY</code>. Nothing here is sold or "
                          "downloaded.</p>"));
}

SiteReply DemoSite::plain(const QByteArray &body)
{
    return SiteReply{QHttpServerResponder::StatusCode::Ok, QByteArrayLiteral("text/plain"), body};
}

SiteReply DemoSite::updateDescription() const
{
    return plain(QByteArrayLiteral("[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=") + updateVersion_
                 + QByteArrayLiteral("\r\n"));
}

QByteArray DemoSite::queryValue(const QHttpServerRequest &request, const QByteArray &name)
{
    const QByteArray query = request.url().query(QUrl::FullyEncoded).toLatin1();
    for (const QByteArray &item : query.split('&')) {
        const qsizetype equals = item.indexOf('=');
        if (equals >= 0 && item.left(equals) == name)
            return QByteArray::fromPercentEncoding(item.mid(equals + 1));
    }
    return QByteArray();
}

void DemoSite::addSamples(ProductStore &store)
{
    const ProductFields samples[] = {
        {QByteArrayLiteral("Photo Pack Deluxe"), QByteArrayLiteral("photopack"),
         QByteArrayLiteral("thanks-photopack.html")},
        {QByteArrayLiteral("Guitar Lessons Vol 1"), QByteArrayLiteral("guitar1"),
         QByteArrayLiteral("thanks-guitar.html")},
        {QByteArrayLiteral("Budget Planner 2026"), QByteArrayLiteral("planner"),
         QByteArrayLiteral("thanks-planner.html")},
    };
    for (const ProductFields &sample : samples)
        store.add(sample);
}

} // namespace vo::demo
