#pragma once

#include "net/HttpRequest.h"
#include "net/ReplyReader.h"

namespace vo {

// What the client does with a reply head once the interim "100" heads are behind it, decided
// from the head alone so that it can be checked without a connection.
enum class ReplyStep
{
    Redirect, // a Location to follow; the body is read and thrown away first
    Deliver,  // a 2xx reply: its body is the operation's result
    Fail,     // anything else, a Location that cannot go on the wire included
};
ReplyStep nextStep(const ReplyHead &head);

// An interim reply that the client skips while waiting for the real one.
bool isInterimReply(const ReplyHead &head);

// Replies that never carry a body, whatever their headers say.
bool hasNoBody(int statusCode);

// Whether the connection may carry the next request after this reply: never once the peer has
// closed it; after a POST only when the reply asks for keep-alive, after a GET unless it asks
// for close.
bool keepsConnection(HttpMethod method, const ReplyHead &head, bool closedByPeer);

} // namespace vo
