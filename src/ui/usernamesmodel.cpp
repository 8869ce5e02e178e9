#include "ui/usernamesmodel.h"

namespace vidfolio::ui {

bool UserNamesModel::holds(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < m_names.size();
}

int UserNamesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant UserNamesModel::data(const QModelIndex &index, int role) const
{
    if (!holds(index))
        return {};
    const QString &name = m_names.at(index.row());
    if (role == Qt::DisplayRole && name.size() > kShownNameLength)
        return name.first(kShownNameLength) + QChar(0x2026);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return name;
}

bool UserNamesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!holds(index))
        return false;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return false;
    m_names[index.row()] = value.toString();
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags UserNamesModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

bool UserNamesModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row > m_names.size())
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_names.insert(row, count, QString());
    endInsertRows();
    return true;
}

bool UserNamesModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > m_names.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_names.remove(row, count);
    endRemoveRows();
    return true;
}

void UserNamesModel::appendNames(const QStringList &names)
{
    if (names.isEmpty())
        return;
    const int first = static_cast<int>(m_names.size());
    beginInsertRows({}, first, first + static_cast<int>(names.size()) - 1);
    // An empty model shares the list instead of copying every name into
    // one of its own: the names of a whole history in one step.
    if (m_names.isEmpty())
        m_names = names;
    else
        m_names += names;
    endInsertRows();
}

} // namespace vidfolio::ui
