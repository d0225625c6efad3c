#pragma once

#include "products/ProductRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <vector>

namespace vo {

// The rows of the product list, in the order they stand on screen. The key of each row travels
// with it but has no column.
class ProductListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, FolderColumn, ThanksPageColumn, CodeColumn, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {200, 150, 150, 250};

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    const ProductRecord &record(int row) const { return rows_[static_cast<std::size_t>(row)].record; }

    void clear();
    // Appends the rows and puts the whole list back in name order.
    void append(std::vector<ProductRecord> records);

private:
    struct Row
    {
        ProductRecord record;
        std::array<QString, ColumnCount> text;
        // Case-folded once, so sorting compares plain strings.
        std::array<QString, ColumnCount> sortKey;
    };

    static bool before(const Row &a, const Row &b, std::size_t column);

    std::vector<Row> rows_;
};

} // namespace vo
