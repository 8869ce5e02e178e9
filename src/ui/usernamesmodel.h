#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace vidfolio::ui {

// The names in the user-name box, as a plain list of strings. The item model
// a QComboBox makes for itself builds an item object for every name; a
// history of many thousands of names loads several times faster without.
//
// A name longer than kShownNameLength shows cut short in the list: laying out
// a line of megabytes, as a damaged history may hold, would freeze the list
// for many seconds. The edit role, which the editable box reads and writes
// its entries through, keeps the whole name.
class UserNamesModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    static constexpr qsizetype kShownNameLength = 256;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

    // Adds `names` after the last row, as a single insertion.
    void appendNames(const QStringList &names);
    // The whole names, without the QVariant that data() wraps each in.
    const QStringList &names() const { return m_names; }

private:
    // Whether `index` names one of the rows; the combo box also asks about
    // the invalid index of "no current entry".
    bool holds(const QModelIndex &index) const;

    QStringList m_names;
};

} // namespace vidfolio::ui
