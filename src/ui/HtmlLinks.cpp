#include "ui/HtmlLinks.h"

#include "platform/Browser.h"
#include "ui/ErrorReporter.h"

#include <QTextBrowser>
#include <QUrl>

namespace vo {

bool isBrowserAddress(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == u"http" || scheme == u"https" || scheme == u"mailto";
}

void openLinksInBrowser(QTextBrowser &view)
{
    view.setOpenLinks(false);
    view.setOpenExternalLinks(false);
    QObject::connect(&view, &QTextBrowser::anchorClicked, &view, [&view](const QUrl &url) {
        runGuarded([&] {
            if (isBrowserAddress(url))
                OpenURL(url.toEncoded());
            else if (url.isRelative() && url.path().isEmpty() && url.hasFragment())
                view.scrollToAnchor(url.fragment());
        });
    });
}

} // namespace vo
