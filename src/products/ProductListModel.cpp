#include "products/ProductListModel.h"

#include "platform/AnsiText.h"

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
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const ProductRecord &row = record(index.row());
    switch (index.column()) {
    case NameColumn: return ansi::toUnicode(row.Name);
    case FolderColumn: return ansi::toUnicode(row.Folder);
    case ThanksPageColumn: return ansi::toUnicode(row.ThanksPage);
    case CodeColumn: return ansi::toUnicode(row.Code);
    default: return {};
    }
}

QVariant ProductListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn: return QStringLiteral("Product Name");
    case FolderColumn: return QStringLiteral("Folder");
    case ThanksPageColumn: return QStringLiteral("Thanks Page");
    case CodeColumn: return QStringLiteral("Code");
    default: return {};
    }
}

} // namespace vo
