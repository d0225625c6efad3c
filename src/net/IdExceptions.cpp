#include "net/IdExceptions.h"

namespace vo {

namespace {

QString socketErrorText(int lastError, const char *systemText)
{
    return QStringLiteral("Socket Error # %1\r\n").arg(lastError) + QString::fromLatin1(systemText);
}

struct WinsockError
{
    int code;
    const char *text;
};

WinsockError winsockErrorFor(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return {11001, "Host not found."};
    case QAbstractSocket::ConnectionRefusedError:
        return {10061, "Connection refused."};
    case QAbstractSocket::NetworkError:
        return {10065, "No route to host."};
    case QAbstractSocket::SocketTimeoutError:
        return {10060, "Connection timed out."};
    case QAbstractSocket::RemoteHostClosedError:
        return {10054, "Connection reset by peer."};
    case QAbstractSocket::SocketAccessError:
        return {10013, "Permission denied."};
    case QAbstractSocket::SocketResourceError:
        return {10055, "No buffer space available."};
    case QAbstractSocket::AddressInUseError:
        return {10048, "Address already in use."};
    default:
        return {10053, "Software caused connection abort."};
    }
}

} // namespace

EIdSocketError::EIdSocketError(int lastError, const char *systemText)
    : EIdException(socketErrorText(lastError, systemText)), lastError_(lastError)
{
}

EIdConnectException::EIdConnectException(int lastError, const char *systemText)
    : EIdException(socketErrorText(lastError, systemText)), lastError_(lastError)
{
}

EIdConnectTimeout::EIdConnectTimeout() : EIdException(QStringLiteral("Connect timed out.")) {}

EIdReadTimeout::EIdReadTimeout() : EIdException(QStringLiteral("Read Timeout")) {}

EIdConnClosedGracefully::EIdConnClosedGracefully()
    : EIdException(QStringLiteral("Connection Closed Gracefully."))
{
}

EIdReadLnMaxLineLengthExceeded::EIdReadLnMaxLineLengthExceeded()
    : EIdException(QStringLiteral("Max line length exceeded."))
{
}

EIdHTTPProtocolException::EIdHTTPProtocolException(int errorCode, const QByteArray &statusLine,
                                                   const QByteArray &errorMessage)
    : EIdException(QString::fromLatin1(statusLine)), errorCode_(errorCode), statusLine_(statusLine),
      errorMessage_(errorMessage)
{
}

EIdHTTPProtocolException::EIdHTTPProtocolException(int errorCode, const QByteArray &statusLine,
                                                   const QString &text)
    : EIdException(text), errorCode_(errorCode), statusLine_(statusLine)
{
}

EIdReplyHeadTooLarge::EIdReplyHeadTooLarge(int errorCode, const QByteArray &statusLine, qsizetype limit)
    : EIdHTTPProtocolException(errorCode, statusLine, QStringLiteral("Reply headers larger than %1 bytes.").arg(limit))
{
}

EIdConflictingLength::EIdConflictingLength(int errorCode, const QByteArray &statusLine)
    : EIdHTTPProtocolException(errorCode, statusLine, QStringLiteral("Reply with conflicting Content-Length values."))
{
}

EIdIOHandlerPropInvalid::EIdIOHandlerPropInvalid()
    : EIdException(QStringLiteral("IOHandler value is not valid"))
{
}

EIdUnknownProtocol::EIdUnknownProtocol() : EIdException(QString()) {}

EIdMalformedURL::EIdMalformedURL(const QByteArray &url)
    : EIdException(QStringLiteral("Invalid URL: ") + QString::fromLatin1(url))
{
}

EIdUnsendableURL::EIdUnsendableURL() : EIdMalformedURL(QStringLiteral("Invalid URL: space or control character"))
{
}

EIdClientBusy::EIdClientBusy()
    : EIdException(QStringLiteral("Another request is still waiting."))
{
}

EIdReplyTooLarge::EIdReplyTooLarge(qint64 limit)
    : EIdException(QStringLiteral("Reply larger than %1 bytes.").arg(limit))
{
}

EIdSinkWriteError::EIdSinkWriteError() : EIdException(QStringLiteral("Stream write error")) {}

void throwSocketError(QAbstractSocket::SocketError error, bool connecting)
{
    const WinsockError e = winsockErrorFor(error);
    const bool refusedOrUnreachable = error == QAbstractSocket::ConnectionRefusedError
                                   || error == QAbstractSocket::NetworkError;
    if (connecting && refusedOrUnreachable)
        throw EIdConnectException(e.code, e.text);
    throw EIdSocketError(e.code, e.text);
}

} // namespace vo
