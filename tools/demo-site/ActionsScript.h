#pragma once

#include "ProductStore.h"

#include <QByteArray>

#include <optional>

namespace vo::demo {

class FormFields;

// The site's "actions.php": one posted form in, one plain reply out, in the words the console
// reads. "BAD" answers whatever it cannot take: a broken body, an unknown action, a missing field.
class ActionsScript
{
public:
    explicit ActionsScript(ProductStore &store);

    QByteArray answer(const QByteArray &contentType, const QByteArray &body);

private:
    QByteArray list() const;
    QByteArray remove(const FormFields &form);
    QByteArray add(const FormFields &form);
    QByteArray get(const FormFields &form) const;
    QByteArray update(const FormFields &form);

    static std::optional<ProductFields> productFields(const FormFields &form);
    static std::optional<qint64> key(const QByteArray &text);
    static QByteArray row(const QList<QByteArray> &fields);

    ProductStore &store_;
};

} // namespace vo::demo
