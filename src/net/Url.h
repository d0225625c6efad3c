#pragma once

#include <QByteArray>

namespace vo {

// An http URL as the client sends it. The target goes on the wire exactly as given: the
// seller's site URL often ends in "/" and the scripts are reached at "//actions.php".
struct HttpUrl
{
    QByteArray host;
    quint16 port = 80;
    QByteArray target = QByteArrayLiteral("/");

    // "host" for port 80, else "host:port".
    QByteArray hostHeader() const;
    // The target up to and including its last "/", query left out: the cookie path scope.
    QByteArray directory() const;
};

// True when the text holds no space, control byte or DEL: such a byte in a URL would end or
// split the request line, and CR LF would add headers of whoever wrote the URL. Bytes of 0x80
// and above go on the wire as they are.
bool isSendableUrlText(QByteArrayView text);

// Reads an absolute URL. "\" counts as "/", the scheme is matched in any letter case, user
// information is ignored and a fragment dropped. Throws EIdIOHandlerPropInvalid for https,
// EIdUnknownProtocol for any other scheme, EIdMalformedURL without scheme or host or with a
// port that is not a number from 1 to 65535, EIdUnsendableURL when isSendableUrlText fails.
HttpUrl parseHttpUrl(const QByteArray &url);

// The URL a Location value names when it came in a reply to `base`. A value without scheme
// and host keeps base's host and port; a relative path joins base's directory; "." and ".."
// segments of such paths are resolved. Throws as parseHttpUrl does, EIdUnsendableURL for a
// value that isSendableUrlText refuses, relative or not.
HttpUrl resolveLocation(const HttpUrl &base, const QByteArray &location);

// RFC 3986 dot-segment removal on the path part; a query is left untouched.
QByteArray removeDotSegments(const QByteArray &target);

} // namespace vo
