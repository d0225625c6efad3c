#include "net/HttpRequest.h"

#include "net/Url.h"

namespace vo {

namespace {
void addHeader(QByteArray &out, QByteArrayView name, const QByteArray &value)
{
    if (!value.isEmpty())
        out.append(name).append(": ").append(value).append("\r\n");
}
} // namespace

QByteArray TIdHTTPRequest::head(HttpMethod method, const HttpUrl &url, qint64 contentLength,
                                const QByteArray &cookie) const
{
    const bool post = method == HttpMethod::Post;
    QByteArray out;
    out.append(post ? "POST " : "GET ").append(url.target).append(post ? " HTTP/1.0" : " HTTP/1.1").append("\r\n");
    addHeader(out, "Connection", Connection);
    addHeader(out, "Content-Type", ContentType);
    if (post)
        addHeader(out, "Content-Length", QByteArray::number(contentLength));
    addHeader(out, "Host", url.hostHeader());
    addHeader(out, "Accept", Accept);
    addHeader(out, "User-Agent", UserAgent);
    addHeader(out, "Cookie", cookie);
    out.append("\r\n");
    return out;
}

} // namespace vo
