#include "products/SiteReplies.h"

namespace vo {

bool IsExactOk(const QByteArray &reply)
{
    return reply == "OK";
}

bool IsListReplyAccepted(const QByteArray &reply)
{
    return reply.contains("OK");
}

AddResult AddResultOf(const QByteArray &reply)
{
    if (reply == "OK")
        return AddResult::Added;
    if (reply == "EXIST RECORD")
        return AddResult::NameExists;
    return AddResult::Failed;
}

UpdateResult UpdateResultOf(const QByteArray &reply)
{
    if (reply == "OK")
        return UpdateResult::Updated;
    if (reply == "DON'T EXIST RECORD")
        return UpdateResult::NotFound;
    if (reply == "EXIST RECORD")
        return UpdateResult::NameExists;
    return UpdateResult::Failed;
}

std::optional<ProductRowReply> ProductRowOf(const QByteArray &reply)
{
    QByteArray row = reply;
    row.replace("^OK", QByteArray());
    // "^OK" alone leaves nothing: the site has no such product, as with "OK" alone.
    if (row.isEmpty() || row == "OK" || !reply.contains("OK"))
        return std::nullopt;
    const qsizetype markers = reply.count("^OK");
    const bool whole = markers == 0 || (markers == 1 && reply.endsWith("^OK"));
    return ProductRowReply{row, whole};
}

} // namespace vo
