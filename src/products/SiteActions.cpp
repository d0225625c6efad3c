#include "products/SiteActions.h"

#include "net/IdHTTP.h"
#include "net/MultipartForm.h"
#include "products/ProductRows.h"

namespace vo {

QByteArray SiteActions::post(const QByteArray &action, Fields fields)
{
    http_.setReadTimeout(kReadTimeoutMs);
    try {
        TIdMultiPartFormDataStream form;
        form.AddField("action", action);
        for (const auto &[name, value] : fields)
            form.AddField(name, value);
        form.AddField("end", QByteArray());
        return http_.PostForm(actionsUrl(), form);
    } catch (const std::exception &) {
        return QByteArrayLiteral("BAD");
    }
}

bool SiteActions::touchActionsUrl()
{
    http_.setReadTimeout(kReadTimeoutMs);
    try {
        http_.GetText(actionsUrl());
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool SiteActions::CheckServer()
{
    return post("1", {}) == "OK";
}

QByteArray SiteActions::RequestList()
{
    return post("3", {});
}

bool SiteActions::DeleteProducts(const QByteArray &keys)
{
    return post("2", {{"deleteids", keys}}) == "OK";
}

AddResult SiteActions::AddProduct(const QByteArray &name, const QByteArray &folder, const QByteArray &thanksPage)
{
    if (!touchActionsUrl())
        return AddResult::Failed;
    const QByteArray reply = post("4", {{"prodname", TrimControls(name)},
                                        {"prodfolder", TrimControls(folder)},
                                        {"prodthankspage", TrimControls(thanksPage)}});
    if (reply == "OK")
        return AddResult::Added;
    if (reply == "EXIST RECORD")
        return AddResult::NameExists;
    return AddResult::Failed;
}

std::optional<QByteArray> SiteActions::GetProduct(const QByteArray &key)
{
    const QByteArray reply = post("5", {{"prodcod", key}});
    QByteArray row = reply;
    row.replace("^OK", QByteArray());
    // "^OK" alone leaves nothing: the site has no such product, as with "OK" alone.
    if (row.isEmpty() || row == "OK" || !reply.contains("OK"))
        return std::nullopt;
    return row;
}

UpdateResult SiteActions::UpdateProduct(const QByteArray &key, const QByteArray &name, const QByteArray &folder,
                                        const QByteArray &thanksPage)
{
    if (!touchActionsUrl())
        return UpdateResult::Failed;
    const QByteArray reply = post("6", {{"prodcod", key},
                                        {"prodname", TrimControls(name)},
                                        {"prodfolder", TrimControls(folder)},
                                        {"prodthankspage", TrimControls(thanksPage)}});
    if (reply == "OK")
        return UpdateResult::Updated;
    if (reply == "DON'T EXIST RECORD")
        return UpdateResult::NotFound;
    if (reply == "EXIST RECORD")
        return UpdateResult::NameExists;
    return UpdateResult::Failed;
}

} // namespace vo
