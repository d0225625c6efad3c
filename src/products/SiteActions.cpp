#include "products/SiteActions.h"

#include "net/IdHTTP.h"
#include "net/MultipartForm.h"
#include "products/ProductRows.h"

namespace vo {

QByteArray SiteActions::post(const QByteArray &action, Fields fields, qint64 maxBody)
{
    http_.setReadTimeout(kReadTimeoutMs);
    try {
        TIdMultiPartFormDataStream form;
        form.AddField("action", action);
        for (const auto &[name, value] : fields)
            form.AddField(name, value);
        form.AddField("end", QByteArray());
        return http_.PostForm(actionsUrl(), form, maxBody);
    } catch (const std::exception &) {
        return QByteArrayLiteral("BAD");
    }
}

bool SiteActions::touchActionsUrl()
{
    http_.setReadTimeout(kReadTimeoutMs);
    try {
        // Thrown away unread; only a reply without end must not pass.
        http_.GetText(actionsUrl(), kListMaxBody);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool SiteActions::CheckServer()
{
    return IsExactOk(post("1", {}));
}

QByteArray SiteActions::RequestList()
{
    return post("3", {}, kListMaxBody);
}

bool SiteActions::DeleteProducts(const QByteArray &keys)
{
    return IsExactOk(post("2", {{"deleteids", keys}}));
}

AddResult SiteActions::AddProduct(const QByteArray &name, const QByteArray &folder, const QByteArray &thanksPage)
{
    if (!touchActionsUrl())
        return AddResult::Failed;
    return AddResultOf(post("4", {{"prodname", TrimControls(name)},
                                  {"prodfolder", TrimControls(folder)},
                                  {"prodthankspage", TrimControls(thanksPage)}}));
}

std::optional<ProductRowReply> SiteActions::GetProduct(const QByteArray &key)
{
    return ProductRowOf(post("5", {{"prodcod", key}}));
}

UpdateResult SiteActions::UpdateProduct(const QByteArray &key, const QByteArray &name, const QByteArray &folder,
                                        const QByteArray &thanksPage)
{
    if (!touchActionsUrl())
        return UpdateResult::Failed;
    return UpdateResultOf(post("6", {{"prodcod", key},
                                     {"prodname", TrimControls(name)},
                                     {"prodfolder", TrimControls(folder)},
                                     {"prodthankspage", TrimControls(thanksPage)}}));
}

} // namespace vo
