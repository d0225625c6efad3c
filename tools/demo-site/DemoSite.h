#pragma once

#include "ActionsScript.h"
#include "SiteServer.h"
#include "ThanksPage.h"

namespace vo::demo {

class ProductStore;

// The demo site's scripts on one server: the welcome page, "actions.php" and "thanks.php".
class DemoSite
{
public:
    explicit DemoSite(ProductStore &store);

    // Listens on 127.0.0.1 only; port 0 takes a free one. Returns the port, 0 on failure.
    quint16 listen(quint16 port);

    // A few products so that a new user sees a working list.
    static void addSamples(ProductStore &store);

private:
    static SiteReply welcome();
    // Query values of the raw target, percent-decoded to bytes.
    static QByteArray queryValue(const QHttpServerRequest &request, const QByteArray &name);

    ActionsScript actions_;
    ThanksPage thanks_;
    SiteServer server_;
};

} // namespace vo::demo
