#pragma once

class QTextBrowser;
class QUrl;

namespace vo {

// Web and mail addresses are the only links handed on to a browser.
bool isBrowserAddress(const QUrl &url);

// A clicked link of the view opens in the default browser (OpenURL); the view itself never
// follows it, so its text stays. A link to a place in the same text scrolls there; any other
// link does nothing.
void openLinksInBrowser(QTextBrowser &view);

} // namespace vo
