#include "qt/editor/chooser_entries.h"

namespace editor {

void ChooserEntries::append(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    const auto first = static_cast<int>(texts_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(texts.size()) - 1);
    texts_.append(texts);
    endInsertRows();
}

int ChooserEntries::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

QVariant ChooserEntries::data(const QModelIndex& index, int role) const
{
    // Views ask about the invalid index too (a combo box made editable does);
    // that is an ordinary question, answered with nothing and no warning.
    if (!index.isValid() || !checkIndex(index) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return texts_.at(index.row());
}

bool ChooserEntries::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !checkIndex(index) || (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    texts_[index.row()] = value.toString();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags ChooserEntries::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

bool ChooserEntries::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row > texts_.size())
        return false;
    beginInsertRows(QModelIndex(), row, row + count - 1);
    texts_.insert(row, count, QString());
    endInsertRows();
    return true;
}

bool ChooserEntries::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > texts_.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    texts_.remove(row, count);
    endRemoveRows();
    return true;
}

} // namespace editor
