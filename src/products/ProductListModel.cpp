#include "products/ProductListModel.h"

#include "platform/AnsiText.h"

#include <algorithm>

namespace vo {

int ProductListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProductListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProductListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= ColumnCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole)
        return {};
    return rows_[static_cast<std::size_t>(index.row())].text[static_cast<std::size_t>(index.column())];
}

QVariant ProductListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    // A first click on a header sorts A to Z; the header's own default would be Z to A.
    if (role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return QStringLiteral("Product Name");
    case FolderColumn: return QStringLiteral("Folder");
    case ThanksPageColumn: return QStringLiteral("Thanks Page");
    case CodeColumn: return QStringLiteral("Code");
    default: return {};
    }
}

void ProductListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList oldIndexes = persistentIndexList();
    std::vector<int> oldRowOfNew(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        oldRowOfNew[i] = static_cast<int>(i);

    const auto c = static_cast<std::size_t>(column);
    std::stable_sort(oldRowOfNew.begin(), oldRowOfNew.end(), [&](int a, int b) {
        const Row &first = rows_[std::size_t(a)];
        const Row &second = rows_[std::size_t(b)];
        return order == Qt::AscendingOrder ? before(first, second, c) : before(second, first, c);
    });

    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> newRowOfOld(rows_.size());
    for (std::size_t i = 0; i < oldRowOfNew.size(); ++i) {
        newRowOfOld[std::size_t(oldRowOfNew[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[std::size_t(oldRowOfNew[i])]));
    }
    rows_ = std::move(sorted);

    // Selections follow their rows to the new places.
    QModelIndexList after;
    after.reserve(oldIndexes.size());
    for (const QModelIndex &index : oldIndexes)
        after.append(this->index(newRowOfOld[std::size_t(index.row())], index.column()));
    changePersistentIndexList(oldIndexes, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool ProductListModel::before(const Row &a, const Row &b, std::size_t column)
{
    return a.sortKey[column] < b.sortKey[column];
}

void ProductListModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ProductListModel::append(std::vector<ProductRecord> records)
{
    beginResetModel();
    rows_.reserve(rows_.size() + records.size());
    for (ProductRecord &record : records) {
        Row row{std::move(record), {}, {}};
        row.text = {ansi::toUnicode(row.record.Name), ansi::toUnicode(row.record.Folder),
                    ansi::toUnicode(row.record.ThanksPage), ansi::toUnicode(row.record.Code)};
        for (std::size_t c = 0; c < row.text.size(); ++c)
            row.sortKey[c] = row.text[c].toCaseFolded();
        rows_.push_back(std::move(row));
    }
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row &a, const Row &b) { return before(a, b, NameColumn); });
    endResetModel();
}

} // namespace vo
