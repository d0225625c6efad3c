#pragma once

#include "SiteServer.h"

#include <QByteArray>

namespace vo::demo {

class ProductStore;

// The buyer's side of the site: "thanks.php?id=CODE&sk=KEY" shows the product's download when
// the key belongs to the code, and one error page for any other pair, so that a guess learns
// nothing about which half was wrong.
class ThanksPage
{
public:
    explicit ThanksPage(const ProductStore &store);

    SiteReply answer(const QByteArray &code, const QByteArray &key) const;

    // The page frame shared by every HTML page of the site; title and body are escaped here.
    static SiteReply page(const QByteArray &title, const QByteArray &bodyHtml,
                          QHttpServerResponder::StatusCode status = QHttpServerResponder::StatusCode::Ok);
    static QByteArray escaped(const QByteArray &text);

private:
    const ProductStore &store_;
};

} // namespace vo::demo
