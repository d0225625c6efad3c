#pragma once

#include <QByteArray>

#include <optional>

// How the replies of "actions.php" are judged, apart from the requests that fetch them. A failed
// post reads as the reply "BAD", which every judge here refuses.
namespace vo {

enum class AddResult { Failed = 0, Added = 1, NameExists = 2 };
enum class UpdateResult { Failed = 0, Updated = 1, NotFound = 2, NameExists = 3 };

// The server check and deleting accept "OK" alone, byte for byte.
bool IsExactOk(const QByteArray &reply);
// The list reply is accepted when it holds "OK" anywhere; its rows are read by ParseProductList.
bool IsListReplyAccepted(const QByteArray &reply);
AddResult AddResultOf(const QByteArray &reply);
UpdateResult UpdateResultOf(const QByteArray &reply);
struct ProductRowReply
{
    // The reply with every "^OK" removed.
    QByteArray row;
    // False when "^OK" stood anywhere but once at the reply's end: its removal then cut bytes
    // out of a stored value, and the row no longer tells what the site holds.
    bool whole = true;
};

// The product's row, when the reply to the get-one request holds one.
std::optional<ProductRowReply> ProductRowOf(const QByteArray &reply);

} // namespace vo
