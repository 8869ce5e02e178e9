#include "ui/videoentries.h"

namespace vidfolio::ui {

QVariant VideoEntries::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return m_titles[row];
    case Qt::UserRole:
        return m_keys[row];
    case Qt::DecorationRole:
        return icon(static_cast<int>(row));
    default:
        return {};
    }
}

Qt::ItemFlags VideoEntries::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void VideoEntries::append(const QString &key, const QString &title, int image)
{
    m_keys.push_back(key);
    m_titles.push_back(title);
    // Picture numbers past the list (or past 255) show no picture.
    m_pictures.push_back(image >= 1 && image <= 255 ? static_cast<quint8>(image) : 0);
}

void VideoEntries::clear()
{
    beginResetModel();
    m_keys = {};
    m_titles = {};
    m_pictures = {};
    m_shown = 0;
    endResetModel();
}

void VideoEntries::publish()
{
    if (!hasUnpublished())
        return;
    beginInsertRows({}, m_shown, static_cast<int>(m_titles.size()) - 1);
    m_shown = static_cast<int>(m_titles.size());
    endInsertRows();
}

QIcon VideoEntries::icon(int row) const
{
    const int picture = m_pictures.at(static_cast<std::size_t>(row));
    return picture >= 1 && picture <= m_images.size() ? m_images.at(picture - 1) : QIcon();
}

} // namespace vidfolio::ui
