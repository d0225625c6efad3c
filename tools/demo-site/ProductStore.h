#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

namespace vo::demo {

// What the seller enters for a product. Byte strings, stored and compared byte for byte.
struct ProductFields
{
    QByteArray name;
    QByteArray folder;
    QByteArray thanksPage;
};

// A product as the site keeps it: the seller's fields plus what the site generates.
struct Product
{
    qint64 key = 0;
    ProductFields fields;
    QByteArray code;      // changes whenever the name changes
    QByteArray thanksKey; // made once, when the product is added
};

// The site's products in an SQLite file, so they outlive the server process. Names are unique.
class ProductStore
{
public:
    enum class Result { Done, NameTaken, NotFound, Failed };

    explicit ProductStore(const QString &databaseFile);
    ~ProductStore();
    ProductStore(const ProductStore &) = delete;
    ProductStore &operator=(const ProductStore &) = delete;

    // False when the file could not be opened or its table not created; errorText() says why.
    bool isOpen() const { return open_; }
    QString errorText() const { return error_; }
    // True when this store created the database file (a first start).
    bool isNew() const { return new_; }

    // In the order they were added; nullopt when the database fails.
    std::optional<QList<Product>> all() const;
    std::optional<Product> find(qint64 key) const;
    std::optional<Product> findByCode(const QByteArray &code) const;

    Result add(const ProductFields &fields);
    // Keeps the code unless the name changes; the thanks key never changes.
    Result update(qint64 key, const ProductFields &fields);
    // Keys that do not exist are passed over. All or nothing.
    Result remove(const QList<qint64> &keys);
    Result removeAll();

private:
    std::optional<Product> findOne(const QString &where, const QVariant &value) const;
    bool nameTakenByOther(const QByteArray &name, qint64 key) const;
    std::optional<QByteArray> unusedCode() const;
    QSqlDatabase database() const;

    QString connectionName_;
    QString error_;
    bool open_ = false;
    bool new_ = false;
};

} // namespace vo::demo
