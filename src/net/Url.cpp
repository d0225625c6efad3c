#include "net/Url.h"

#include "net/IdExceptions.h"

#include <QList>

#include <algorithm>
#include <cctype>

namespace vo {

namespace {

constexpr QByteArrayView kSchemeEnd = "://";

// Where the authority ends: the first "/", "?" or "#" after it starts.
qsizetype authorityEnd(const QByteArray &url, qsizetype from)
{
    for (qsizetype i = from; i < url.size(); ++i) {
        const char c = url.at(i);
        if (c == '/' || c == '?' || c == '#')
            return i;
    }
    return url.size();
}

// The target without its query.
QByteArray pathPart(const QByteArray &target)
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

// RFC 3986: a scheme is a letter followed by letters, digits, "+", "-" or ".", and a reference
// is absolute only when one stands before its first "/", "?" or "#". A relative Location whose
// query carries "http://..." is still relative.
bool startsWithScheme(const QByteArray &reference)
{
    const qsizetype colon = reference.indexOf(':');
    if (colon <= 0 || colon > authorityEnd(reference, 0))
        return false;
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isLetter(reference.at(0)))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const char c = reference.at(i);
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

QByteArray withoutFragment(const QByteArray &text)
{
    const qsizetype hash = text.indexOf('#');
    return hash < 0 ? text : text.left(hash);
}

// Host and port of an authority "user:password@host:port".
void readAuthority(const QByteArray &url, QByteArray authority, HttpUrl &out)
{
    const qsizetype at = authority.lastIndexOf('@');
    if (at >= 0)
        authority = authority.mid(at + 1);
    const qsizetype colon = authority.indexOf(':');
    out.host = colon < 0 ? authority : authority.left(colon);
    if (out.host.isEmpty())
        throw EIdMalformedURL(url);
    out.port = 80;
    if (colon < 0)
        return;
    const QByteArray portText = authority.mid(colon + 1);
    if (portText.isEmpty())
        return;
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535 || !std::isdigit(static_cast<unsigned char>(portText.at(0))))
        throw EIdMalformedURL(url);
    out.port = static_cast<quint16>(port);
}

QByteArray targetFrom(const QByteArray &rest)
{
    const QByteArray target = withoutFragment(rest);
    if (target.isEmpty())
        return QByteArrayLiteral("/");
    if (target.startsWith('?'))
        return '/' + target;
    return target;
}

} // namespace

QByteArray HttpUrl::hostHeader() const
{
    return port == 80 ? host : host + ':' + QByteArray::number(port);
}

QByteArray HttpUrl::directory() const
{
    const QByteArray path = pathPart(target);
    return path.left(path.lastIndexOf('/') + 1);
}

bool isSendableUrlText(QByteArrayView text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F;
    });
}

HttpUrl parseHttpUrl(const QByteArray &rawUrl)
{
    if (!isSendableUrlText(rawUrl))
        throw EIdUnsendableURL();
    QByteArray url = rawUrl;
    url.replace('\\', '/');
    const qsizetype schemeEnd = url.indexOf(kSchemeEnd);
    if (schemeEnd <= 0)
        throw EIdMalformedURL(rawUrl);
    const QByteArray scheme = url.left(schemeEnd).toLower();
    if (scheme == "https")
        throw EIdIOHandlerPropInvalid();
    if (scheme != "http")
        throw EIdUnknownProtocol();

    const qsizetype hostStart = schemeEnd + kSchemeEnd.size();
    const qsizetype hostEnd = authorityEnd(url, hostStart);
    HttpUrl out;
    readAuthority(rawUrl, url.mid(hostStart, hostEnd - hostStart), out);
    out.target = targetFrom(url.mid(hostEnd));
    return out;
}

HttpUrl resolveLocation(const HttpUrl &base, const QByteArray &rawLocation)
{
    QByteArray location = rawLocation.trimmed();
    // A relative reference goes onto the request line as much as an absolute one does.
    if (!isSendableUrlText(location))
        throw EIdUnsendableURL();
    location.replace('\\', '/');
    if (startsWithScheme(location))
        return parseHttpUrl(location);
    if (location.startsWith("//"))
        return parseHttpUrl(QByteArrayLiteral("http:") + location);

    HttpUrl out = base;
    location = withoutFragment(location);
    if (location.isEmpty())
        return out;
    if (location.startsWith('/'))
        out.target = removeDotSegments(location);
    else if (location.startsWith('?'))
        out.target = pathPart(base.target) + location;
    else
        out.target = removeDotSegments(base.directory() + location);
    return out;
}

QByteArray removeDotSegments(const QByteArray &target)
{
    const QByteArray path = pathPart(target);
    const QByteArray tail = target.mid(path.size());

    // Segments after the leading "/"; the last one is kept empty when the path ends in "/",
    // "." or "..", so that "/a/b/.." gives "/a/".
    const QList<QByteArray> in = path.mid(1).split('/');
    QList<QByteArray> out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QByteArray &segment = in.at(i);
        const bool last = i == in.size() - 1;
        if (segment == ".") {
            if (last)
                out.append(QByteArray());
        } else if (segment == "..") {
            if (!out.isEmpty())
                out.removeLast();
            if (last)
                out.append(QByteArray());
        } else {
            out.append(segment);
        }
    }
    return '/' + out.join('/') + tail;
}

} // namespace vo
