#pragma once

#include <QByteArray>

namespace vo {

struct HttpUrl;

enum class HttpMethod { Get, Post };

// The request headers the client keeps from one request to the next. The seller's scripts
// were written against exactly these values, so they are fixed for the run except where
// a POST changes them.
struct TIdHTTPRequest
{
    QByteArray UserAgent = QByteArrayLiteral("Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
    QByteArray Accept = QByteArrayLiteral("text/html, */*");
    // The last POST's form type stays and goes out with every later GET as well.
    QByteArray ContentType = QByteArrayLiteral("text/html");
    // Empty until the first POST, "keep-alive" for the rest of the run.
    QByteArray Connection;

    // Request line and headers up to the empty line, in the order the servers have always
    // seen: Connection, Content-Type, Content-Length (POST only), Host, Accept, User-Agent,
    // Cookie; a header with an empty value is left out. A POST goes as HTTP/1.0, a GET as 1.1.
    QByteArray head(HttpMethod method, const HttpUrl &url, qint64 contentLength,
                    const QByteArray &cookie) const;
};

} // namespace vo
