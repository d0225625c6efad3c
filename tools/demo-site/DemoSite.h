#pragma once

#include "ActionsScript.h"
#include "NewsScripts.h"
#include "SiteServer.h"
#include "ThanksPage.h"

namespace vo::demo {

class ProductStore;

// The demo site's scripts on one server: the welcome page, "actions.php" and "thanks.php"; and,
// standing in for the publisher, the member news of the tier "Master" (publisher id "demo")
// under "news/" and the update description under "liveupdate/vantrel_oskel/".
class DemoSite
{
public:
    // `updateVersion` is the "Version" that the update description offers.
    explicit DemoSite(ProductStore &store, QByteArray updateVersion = QByteArrayLiteral("2.01"));

    static constexpr char kNewsPublisherId[] = "demo";
    static constexpr char kNewsTierCode[] = "BM";

    // Listens on 127.0.0.1 only; port 0 takes a free one. Returns the port, 0 on failure.
    quint16 listen(quint16 port);

    // A few products so that a new user sees a working list.
    static void addSamples(ProductStore &store);

private:
    static SiteReply welcome();
    static SiteReply plain(const QByteArray &body);
    SiteReply updateDescription() const;
    // Query values of the raw target, percent-decoded to bytes.
    static QByteArray queryValue(const QHttpServerRequest &request, const QByteArray &name);

    ActionsScript actions_;
    ThanksPage thanks_;
    NewsScripts news_;
    QByteArray updateVersion_;
    SiteServer server_;
};

} // namespace vo::demo
