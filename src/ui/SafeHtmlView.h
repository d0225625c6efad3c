#pragma once

#include <QTextBrowser>

namespace vo {

// A read-only view for HTML that came from a file or a server. It fetches nothing on the
// document's behalf: no local file, no remote address; only small pictures written into the
// text itself as data: addresses, within a budget per document. A text too large, nested too
// deeply, or with too much inside nested tables (whose layout cost doubles with each level) is
// not shown; a plain notice stands in its place. Links open in the browser.
class SafeHtmlView : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr qsizetype kMaxTextLength = 1024 * 1024;
    static constexpr int kMaxNesting = 100;
    static constexpr qint64 kMaxLayoutWork = 1024 * 1024; // see measureHtml
    static constexpr qsizetype kMaxPictureBytes = 256 * 1024;   // encoded, each
    static constexpr qint64 kMaxPicturePixels = 2048 * 2048;     // each
    static constexpr qint64 kPixelBudget = 4 * kMaxPicturePixels; // all pictures of one document

    explicit SafeHtmlView(QWidget *parent = nullptr);

    // Replaces the whole document. Returns false when the notice is shown instead.
    bool showHtml(const QString &html);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    QVariant inlinePicture(const QUrl &name);

    qint64 pixelsLeft_ = kPixelBudget;
};

} // namespace vo
