#include "ProductStore.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

namespace vo::demo {

namespace {

const QString selectColumns = QStringLiteral("SELECT id, name, folder, thanks_page, code, thanks_key FROM products");

// Hex digits from the system's random source: codes and keys must not be guessable, since the
// thanks page hands out the download to whoever holds both.
QByteArray randomHex(int digits)
{
    QByteArray hex;
    while (hex.size() < digits)
        hex += QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
    return hex.left(digits);
}

Product productFrom(const QSqlQuery &query)
{
    return Product{query.value(0).toLongLong(),
                   ProductFields{query.value(1).toByteArray(), query.value(2).toByteArray(),
                                 query.value(3).toByteArray()},
                   query.value(4).toByteArray(), query.value(5).toByteArray()};
}

} // namespace

ProductStore::ProductStore(const QString &databaseFile)
    : connectionName_(QStringLiteral("vo-demo-products-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
    new_ = !QFileInfo::exists(databaseFile);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    db.setDatabaseName(databaseFile);
    if (!db.open()) {
        error_ = db.lastError().text();
        return;
    }
    // AUTOINCREMENT: a deleted product's key is never handed out again, so a console that
    // still shows the old row cannot edit a newer product by mistake.
    QSqlQuery create(db);
    if (!create.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS products ("
                                    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                    " name BLOB NOT NULL UNIQUE,"
                                    " folder BLOB NOT NULL,"
                                    " thanks_page BLOB NOT NULL,"
                                    " code BLOB NOT NULL UNIQUE,"
                                    " thanks_key BLOB NOT NULL)"))) {
        error_ = create.lastError().text();
        return;
    }
    open_ = true;
}

ProductStore::~ProductStore()
{
    database().close();
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase ProductStore::database() const
{
    return QSqlDatabase::database(connectionName_, false);
}

std::optional<QList<Product>> ProductStore::all() const
{
    QSqlQuery query(database());
    if (!query.exec(selectColumns + QStringLiteral(" ORDER BY id")))
        return std::nullopt;
    QList<Product> products;
    while (query.next())
        products.append(productFrom(query));
    return products;
}

std::optional<Product> ProductStore::findOne(const QString &where, const QVariant &value) const
{
    QSqlQuery query(database());
    query.prepare(selectColumns + QStringLiteral(" WHERE ") + where + QStringLiteral(" = ?"));
    query.addBindValue(value);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return productFrom(query);
}

std::optional<Product> ProductStore::find(qint64 key) const
{
    return findOne(QStringLiteral("id"), key);
}

std::optional<Product> ProductStore::findByCode(const QByteArray &code) const
{
    return findOne(QStringLiteral("code"), code);
}

bool ProductStore::nameTakenByOther(const QByteArray &name, qint64 key) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT 1 FROM products WHERE name = ? AND id <> ?"));
    query.addBindValue(name);
    query.addBindValue(key);
    return query.exec() && query.next();
}

std::optional<QByteArray> ProductStore::unusedCode() const
{
    // Twelve hex digits make a clash unlikely; checking keeps the code a unique handle anyway.
    for (int attempt = 0; attempt < 8; ++attempt) {
        QByteArray code = randomHex(12).toUpper();
        if (!findByCode(code))
            return code;
    }
    return std::nullopt;
}

ProductStore::Result ProductStore::add(const ProductFields &fields)
{
    if (nameTakenByOther(fields.name, 0)) // keys start at 1
        return Result::NameTaken;
    const std::optional<QByteArray> code = unusedCode();
    if (!code)
        return Result::Failed;
    QSqlQuery query(database());
    query.prepare(QStringLiteral(
        "INSERT INTO products (name, folder, thanks_page, code, thanks_key) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(fields.name);
    query.addBindValue(fields.folder);
    query.addBindValue(fields.thanksPage);
    query.addBindValue(*code);
    query.addBindValue(randomHex(32));
    return query.exec() ? Result::Done : Result::Failed;
}

ProductStore::Result ProductStore::update(qint64 key, const ProductFields &fields)
{
    const std::optional<Product> current = find(key);
    if (!current)
        return Result::NotFound;
    if (nameTakenByOther(fields.name, key))
        return Result::NameTaken;
    std::optional<QByteArray> code = current->code;
    if (fields.name != current->fields.name)
        code = unusedCode();
    if (!code)
        return Result::Failed;
    QSqlQuery query(database());
    query.prepare(QStringLiteral(
        "UPDATE products SET name = ?, folder = ?, thanks_page = ?, code = ? WHERE id = ?"));
    query.addBindValue(fields.name);
    query.addBindValue(fields.folder);
    query.addBindValue(fields.thanksPage);
    query.addBindValue(*code);
    query.addBindValue(key);
    return query.exec() ? Result::Done : Result::Failed;
}

ProductStore::Result ProductStore::remove(const QList<qint64> &keys)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return Result::Failed;
    QSqlQuery query(db);
    query.prepare(QStringLiteral("DELETE FROM products WHERE id = ?"));
    for (const qint64 key : keys) {
        query.bindValue(0, key);
        if (!query.exec()) {
            db.rollback();
            return Result::Failed;
        }
    }
    return db.commit() ? Result::Done : Result::Failed;
}

ProductStore::Result ProductStore::removeAll()
{
    QSqlQuery query(database());
    return query.exec(QStringLiteral("DELETE FROM products")) ? Result::Done : Result::Failed;
}

} // namespace vo::demo
