#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace editor {

// The entries of a button chooser: plain texts, one role. A combo box's
// default model keeps a full item object per entry and takes entries one at
// a time; with ten thousand buttons this one holds a quarter of the memory
// and takes a whole listing in one step.
class ChooserEntries final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Adds texts after the last entry, announcing them as one insertion.
    void append(const QStringList& texts);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    QStringList texts_;
};

} // namespace editor
