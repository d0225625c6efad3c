#pragma once

#include "products/SiteReplies.h"
#include "settings/ServerSettings.h"

#include <QByteArray>

#include <utility>
#include <vector>

namespace vo {

class TIdHTTP;

// The requests to the seller's "actions.php". Each operation reports its outcome as a result,
// never as a message: every failure of the client reads as the reply "BAD", which no action
// accepts.
class SiteActions
{
public:
    SiteActions(TIdHTTP &http, const ServerSettings &settings) : http_(http), settings_(settings) {}

    bool CheckServer();
    // The reply to the list request, "BAD" when the post failed.
    QByteArray RequestList();
    bool DeleteProducts(const QByteArray &keys);
    AddResult AddProduct(const QByteArray &name, const QByteArray &folder, const QByteArray &thanksPage);
    // The product's row with every "^OK" removed, when the site sent it.
    std::optional<QByteArray> GetProduct(const QByteArray &key);
    UpdateResult UpdateProduct(const QByteArray &key, const QByteArray &name, const QByteArray &folder,
                               const QByteArray &thanksPage);

    QByteArray actionsUrl() const { return settings_.swebserver + "/actions.php"; }

    static constexpr int kReadTimeoutMs = 60000;

private:
    using Fields = std::vector<std::pair<QByteArray, QByteArray>>;

    QByteArray post(const QByteArray &action, Fields fields);
    // Adding and updating fetch the script once before posting; false when that fails.
    bool touchActionsUrl();

    TIdHTTP &http_;
    const ServerSettings &settings_;
};

} // namespace vo
