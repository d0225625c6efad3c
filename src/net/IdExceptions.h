#pragma once

#include "platform/AppError.h"

#include <QAbstractSocket>
#include <QByteArray>

namespace vo {

// Every failure of the HTTP client. Callers map any of them to their own failure result;
// the kinds exist so that tests (and a future caller) can tell causes apart.
class EIdException : public AppError
{
public:
    using AppError::AppError;
};

// Name lookup failed, or the network failed while sending or receiving.
// Text: "Socket Error # <n>" CR LF <system text>, numbered as Winsock numbers its errors,
// so the same failure reads the same on every platform.
class EIdSocketError : public EIdException
{
public:
    EIdSocketError(int lastError, const char *systemText);
    int LastError() const { return lastError_; }

private:
    int lastError_;
};

// Connection refused or unreachable; same text shape as EIdSocketError.
class EIdConnectException : public EIdException
{
public:
    EIdConnectException(int lastError, const char *systemText);
    int LastError() const { return lastError_; }

private:
    int lastError_;
};

class EIdConnectTimeout : public EIdException
{
public:
    EIdConnectTimeout();
};

class EIdReadTimeout : public EIdException
{
public:
    EIdReadTimeout();
};

// The connection ended where more data was due, or a wait was cut short by Disconnect.
class EIdConnClosedGracefully : public EIdException
{
public:
    EIdConnClosedGracefully();
};

class EIdReadLnMaxLineLengthExceeded : public EIdException
{
public:
    EIdReadLnMaxLineLengthExceeded();
};

// A reply that is neither success nor redirect. The text is the status line.
class EIdHTTPProtocolException : public EIdException
{
public:
    EIdHTTPProtocolException(int errorCode, const QByteArray &statusLine, const QByteArray &errorMessage);
    int ErrorCode() const { return errorCode_; }
    const QByteArray &StatusLine() const { return statusLine_; }
    // The body of the error reply, as far as it arrived within its time limit.
    const QByteArray &ErrorMessage() const { return errorMessage_; }

protected:
    EIdHTTPProtocolException(int errorCode, const QByteArray &statusLine, const QString &text);

private:
    int errorCode_;
    QByteArray statusLine_;
    QByteArray errorMessage_;
};

// A reply whose heads outgrow the reader's limit: a server that never ends its headers must
// not fill the memory.
class EIdReplyHeadTooLarge : public EIdHTTPProtocolException
{
public:
    EIdReplyHeadTooLarge(int errorCode, const QByteArray &statusLine, qsizetype limit);
};

// A reply whose Content-Length values disagree: where its body ends cannot be told.
class EIdConflictingLength : public EIdHTTPProtocolException
{
public:
    EIdConflictingLength(int errorCode, const QByteArray &statusLine);
};

// "https": the client has no secure transport.
class EIdIOHandlerPropInvalid : public EIdException
{
public:
    EIdIOHandlerPropInvalid();
};

// Any scheme other than http and https; its text is empty.
class EIdUnknownProtocol : public EIdException
{
public:
    EIdUnknownProtocol();
};

// A URL without scheme or host (the seller types the site URL freely): it must never
// reach some other server by accident.
class EIdMalformedURL : public EIdException
{
public:
    explicit EIdMalformedURL(const QByteArray &url);

protected:
    explicit EIdMalformedURL(const QString &text) : EIdException(text) {}
};

// A URL carrying a space or a control byte: refused before anything is sent, since it would
// change the request line or add headers. The URL text is left out of the message.
class EIdUnsendableURL : public EIdMalformedURL
{
public:
    EIdUnsendableURL();
};

// An operation was started while another one waits on the same client.
class EIdClientBusy : public EIdException
{
public:
    EIdClientBusy();
};

// A text reply over the client's size limit: it fails instead of exhausting memory.
class EIdReplyTooLarge : public EIdException
{
public:
    explicit EIdReplyTooLarge(qint64 limit);
};

// GetToStream's sink refused bytes (disk full, device not writable).
class EIdSinkWriteError : public EIdException
{
public:
    EIdSinkWriteError();
};

// The error a socket reports, in the client's terms. Connect-phase failures of the
// refused/unreachable kind become EIdConnectException, everything else EIdSocketError.
[[noreturn]] void throwSocketError(QAbstractSocket::SocketError error, bool connecting);

} // namespace vo
