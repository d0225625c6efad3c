#include "ui/SafeHtmlView.h"

#include "ui/HtmlLinks.h"
#include "ui/HtmlNesting.h"
#include "ui/PictureBounds.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextDocument>

#include <optional>

namespace vo {

namespace {

const QString kNotice = QStringLiteral("This page is too large or too complex to be shown.");

// The bytes of a data: address, or nothing when it is not one or would decode to more than
// `limit` bytes.
std::optional<QByteArray> dataPayload(const QUrl &url, qsizetype limit)
{
    const QByteArray encoded = url.toEncoded();
    if (!encoded.startsWith("data:"))
        return std::nullopt;
    const qsizetype comma = encoded.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    const QByteArray header = encoded.first(comma);
    const QByteArray body = encoded.sliced(comma + 1);
    // Neither percent escapes nor base64 shrink a text below a quarter of its length, so a
    // body far too long is refused before it is decoded.
    if (body.size() / 4 > limit)
        return std::nullopt;
    const bool base64 = header.endsWith(";base64");
    QByteArray bytes = QByteArray::fromPercentEncoding(body);
    if (base64) {
        auto decoded = QByteArray::fromBase64Encoding(bytes, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        bytes = std::move(decoded.decoded);
    }
    if (bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

} // namespace

SafeHtmlView::SafeHtmlView(QWidget *parent)
    : QTextBrowser(parent)
{
    setReadOnly(true);
    openLinksInBrowser(*this);
}

bool SafeHtmlView::showHtml(const QString &html)
{
    pixelsLeft_ = kPixelBudget;
    bool fits = html.size() <= kMaxTextLength;
    if (fits) {
        const HtmlShape shape = measureHtml(html, kMaxNesting, kMaxLayoutWork);
        fits = shape.depth <= kMaxNesting && shape.layoutWork <= kMaxLayoutWork;
    }
    if (!fits) {
        setPlainText(kNotice);
        return false;
    }
    setHtml(html);
    return true;
}

QVariant SafeHtmlView::loadResource(int type, const QUrl &name)
{
    if (type == QTextDocument::ImageResource)
        return inlinePicture(name);
    // A valid but empty answer: an invalid one would send the document to read the file itself.
    return QVariant(QString());
}

QVariant SafeHtmlView::inlinePicture(const QUrl &name)
{
    // A null picture, not an invalid variant, for the same reason as above.
    const QVariant refused = QVariant(QImage());
    const std::optional<QByteArray> bytes = dataPayload(name, kMaxPictureBytes);
    if (!bytes)
        return refused;
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = decodedFrameSize(reader, *bytes);
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || pixels > kMaxPicturePixels || pixels > pixelsLeft_)
        return refused;
    const QImage picture = reader.read();
    if (picture.isNull())
        return refused;
    pixelsLeft_ -= qint64(picture.width()) * picture.height();
    return picture;
}

} // namespace vo
