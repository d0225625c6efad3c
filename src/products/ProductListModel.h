#pragma once

#include "products/ProductRecord.h"

#include <QAbstractTableModel>

#include <vector>

namespace vo {

// The rows of the product list. The key of each row travels with it but has no column.
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

    const ProductRecord &record(int row) const { return rows_[static_cast<std::size_t>(row)]; }

private:
    std::vector<ProductRecord> rows_;
};

} // namespace vo
