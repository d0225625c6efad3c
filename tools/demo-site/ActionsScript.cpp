#include "ActionsScript.h"

#include "MultipartParser.h"

namespace vo::demo {

namespace {

const QByteArray ok = QByteArrayLiteral("OK");
const QByteArray bad = QByteArrayLiteral("BAD");
const QByteArray rowsEnd = QByteArrayLiteral("^OK");
const QByteArray existRecord = QByteArrayLiteral("EXIST RECORD");
const QByteArray dontExistRecord = QByteArrayLiteral("DON'T EXIST RECORD");

// A row is quoted fields joined by "," and rows are joined by "^", with no escaping. A value
// holding one of these bytes would shift the columns of every list the console reads, so the
// site refuses it instead of storing it.
bool fitsInRow(const QByteArray &value)
{
    for (const char c : value) {
        if (c == ',' || c == '^' || c == '"' || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

// The five fields of a list row; a single product's row adds its thanks key.
QList<QByteArray> listFields(const Product &p)
{
    return {QByteArray::number(p.key), p.fields.name, p.fields.folder, p.fields.thanksPage, p.code};
}

QByteArray replyFor(ProductStore::Result result)
{
    switch (result) {
    case ProductStore::Result::Done:
        return ok;
    case ProductStore::Result::NameTaken:
        return existRecord;
    case ProductStore::Result::NotFound:
        return dontExistRecord;
    case ProductStore::Result::Failed:
        break;
    }
    return bad;
}

} // namespace

ActionsScript::ActionsScript(ProductStore &store) : store_(store) {}

QByteArray ActionsScript::answer(const QByteArray &contentType, const QByteArray &body)
{
    const std::optional<FormFields> form = MultipartParser::parse(contentType, body);
    if (!form)
        return bad;
    const std::optional<QByteArray> action = form->value(QByteArrayLiteral("action"));
    if (!action)
        return bad;
    if (*action == "1")
        return ok;
    if (*action == "2")
        return remove(*form);
    if (*action == "3")
        return list();
    if (*action == "4")
        return add(*form);
    if (*action == "5")
        return get(*form);
    if (*action == "6")
        return update(*form);
    return bad;
}

QByteArray ActionsScript::row(const QList<QByteArray> &fields)
{
    return '"' + fields.join(QByteArrayLiteral("\",\"")) + '"';
}

std::optional<qint64> ActionsScript::key(const QByteArray &text)
{
    // Keys are the site's own decimal numbers; anything else names no product.
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    return text.toLongLong();
}

std::optional<ProductFields> ActionsScript::productFields(const FormFields &form)
{
    const std::optional<QByteArray> name = form.value(QByteArrayLiteral("prodname"));
    const std::optional<QByteArray> folder = form.value(QByteArrayLiteral("prodfolder"));
    const std::optional<QByteArray> thanksPage = form.value(QByteArrayLiteral("prodthankspage"));
    if (!name || !folder || !thanksPage || name->isEmpty())
        return std::nullopt;
    if (!fitsInRow(*name) || !fitsInRow(*folder) || !fitsInRow(*thanksPage))
        return std::nullopt;
    return ProductFields{*name, *folder, *thanksPage};
}

QByteArray ActionsScript::list() const
{
    const std::optional<QList<Product>> products = store_.all();
    if (!products)
        return bad;
    QList<QByteArray> rows;
    for (const Product &p : *products) {
        rows.append(row(listFields(p)));
    }
    return rows.join('^') + rowsEnd;
}

QByteArray ActionsScript::remove(const FormFields &form)
{
    const std::optional<QByteArray> ids = form.value(QByteArrayLiteral("deleteids"));
    if (!ids)
        return bad;
    if (*ids == "all")
        return replyFor(store_.removeAll());
    QList<qint64> keys;
    for (const QByteArray &text : ids->split(',')) {
        const std::optional<qint64> k = key(text);
        if (!k)
            return bad;
        keys.append(*k);
    }
    return replyFor(store_.remove(keys));
}

QByteArray ActionsScript::add(const FormFields &form)
{
    const std::optional<ProductFields> fields = productFields(form);
    if (!fields)
        return bad;
    return replyFor(store_.add(*fields));
}

QByteArray ActionsScript::get(const FormFields &form) const
{
    const std::optional<QByteArray> text = form.value(QByteArrayLiteral("prodcod"));
    if (!text)
        return bad;
    const std::optional<qint64> k = key(*text);
    const std::optional<Product> p = k ? store_.find(*k) : std::nullopt;
    if (!p)
        return rowsEnd; // "^OK" alone: no such product
    return row(listFields(*p) << p->thanksKey) + rowsEnd;
}

QByteArray ActionsScript::update(const FormFields &form)
{
    const std::optional<QByteArray> text = form.value(QByteArrayLiteral("prodcod"));
    const std::optional<ProductFields> fields = productFields(form);
    if (!text || !fields)
        return bad;
    const std::optional<qint64> k = key(*text);
    if (!k)
        return dontExistRecord;
    return replyFor(store_.update(*k, *fields));
}

} // namespace vo::demo
