#include "net/ReplyPolicy.h"

#include "net/Url.h"

namespace vo {

namespace {

bool isRedirect(const ReplyHead &head)
{
    const int code = head.statusCode;
    return (code >= 300 && code < 400 && code != 304) || head.has("Location");
}

bool headerEquals(const ReplyHead &head, QByteArrayView wanted)
{
    for (const QByteArrayView name : {QByteArrayView("Connection"), QByteArrayView("Proxy-Connection")}) {
        if (head.value(name).compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

ReplyStep nextStep(const ReplyHead &head)
{
    const QByteArray location = head.value("Location");
    if (isRedirect(head) && !location.isEmpty())
        // A blank or control byte (CR, LF, NUL ...) would end or split the next request line: a
        // server, or whatever sits between, could add headers of its own to the seller's request.
        return isSendableUrlText(location) ? ReplyStep::Redirect : ReplyStep::Fail;
    if (head.statusCode >= 200 && head.statusCode < 300)
        return ReplyStep::Deliver;
    return ReplyStep::Fail;
}

bool isInterimReply(const ReplyHead &head)
{
    return head.statusCode == 100;
}

bool hasNoBody(int statusCode)
{
    return (statusCode >= 100 && statusCode < 200) || statusCode == 204 || statusCode == 304;
}

bool keepsConnection(HttpMethod method, const ReplyHead &head, bool closedByPeer)
{
    if (closedByPeer)
        return false;
    return method == HttpMethod::Post ? headerEquals(head, "keep-alive") : !headerEquals(head, "close");
}

} // namespace vo
