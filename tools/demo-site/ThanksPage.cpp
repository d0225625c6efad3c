#include "ThanksPage.h"

#include "ProductStore.h"

namespace vo::demo {

ThanksPage::ThanksPage(const ProductStore &store) : store_(store) {}

QByteArray ThanksPage::escaped(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

SiteReply ThanksPage::page(const QByteArray &title, const QByteArray &bodyHtml,
                           QHttpServerResponder::StatusCode status)
{
    // Product names are stored as the console's Windows-1252 bytes and go out unconverted.
    QByteArray html = QByteArrayLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\"><title>")
        + escaped(title) + QByteArrayLiteral("</title></head>\n<body>\n<h1>") + escaped(title)
        + QByteArrayLiteral("</h1>\n") + bodyHtml + QByteArrayLiteral("\n</body></html>\n");
    return SiteReply{status, QByteArrayLiteral("text/html; charset=windows-1252"), html};
}

SiteReply ThanksPage::answer(const QByteArray &code, const QByteArray &key) const
{
    const std::optional<Product> product = code.isEmpty() ? std::nullopt : store_.findByCode(code);
    if (!product || key.isEmpty() || product->thanksKey != key) {
        return page(QByteArrayLiteral("Link not valid"),
                    QByteArrayLiteral("<p>This download link is not valid. Please contact the seller.</p>"),
                    QHttpServerResponder::StatusCode::Forbidden);
    }
    // A demo site holds no archives: the link only shows where the real one would point.
    const QByteArray archive = escaped(product->fields.folder + '/' + product->fields.name + ".zip");
    return page(QByteArrayLiteral("Thank you for your purchase"),
                QByteArrayLiteral("<p>Your product: <b>") + escaped(product->fields.name)
                    + QByteArrayLiteral("</b></p>\n<p><a href=\"#\" title=\"demo site: no real archive\">Download ")
                    + archive + QByteArrayLiteral("</a></p>"));
}

} // namespace vo::demo
