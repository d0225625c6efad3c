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
// accepts. The site URL is taken once, when the object is made: a command that builds one
// object talks to one site from its first request to its last, whatever the settings become
// meanwhile.
class SiteActions
{
public:
    SiteActions(TIdHTTP &http, const ServerSettings &settings) : http_(http), siteUrl_(settings.swebserver) {}

    bool CheckServer();
    // The reply to the list request, "BAD" when the post failed.
    QByteArray RequestList();
    bool DeleteProducts(const QByteArray &keys);
    AddResult AddProduct(const QByteArray &name, const QByteArray &folder, const QByteArray &thanksPage);
    // The product's row, when the site sent it.
    std::optional<ProductRowReply> GetProduct(const QByteArray &key);
    UpdateResult UpdateProduct(const QByteArray &key, const QByteArray &name, const QByteArray &folder,
                               const QByteArray &thanksPage);

    const QByteArray &siteUrl() const { return siteUrl_; }
    QByteArray actionsUrl() const { return siteUrl_ + "/actions.php"; }

    static constexpr int kReadTimeoutMs = 60000;
    // The list carries every product, a row of 70 to 160 bytes each as sites fill them: 16 MiB
    // holds a catalogue of 100,000 products with room to spare. Every other reply is a word or
    // one row; 64 KiB leaves a row's fields room to spare.
    static constexpr qint64 kListMaxBody = 16 * 1024 * 1024;
    static constexpr qint64 kReplyMaxBody = 64 * 1024;

private:
    using Fields = std::vector<std::pair<QByteArray, QByteArray>>;

    QByteArray post(const QByteArray &action, Fields fields, qint64 maxBody = kReplyMaxBody);
    // Adding and updating fetch the script once before posting; false when that fails.
    bool touchActionsUrl();

    TIdHTTP &http_;
    const QByteArray siteUrl_;
};

} // namespace vo
