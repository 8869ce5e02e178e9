#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QList>
#include <QString>

#include <vector>

namespace vidfolio::ui {

// The entries of the video tree, in the order appended, as three vectors
// (keys, titles, picture numbers). The view hears of the entries appended
// since the last publish() in one insertion; until then they are not rows.
class VideoEntries final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_shown;
    }
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void setImages(const QList<QIcon> &images) { m_images = images; }

    void append(const QString &key, const QString &title, int image);
    void clear();

    bool hasUnpublished() const { return m_titles.size() > static_cast<std::size_t>(m_shown); }
    void publish();

    const QString &key(int row) const { return m_keys.at(static_cast<std::size_t>(row)); }
    const QString &title(int row) const { return m_titles.at(static_cast<std::size_t>(row)); }
    QIcon icon(int row) const;

private:
    std::vector<QString> m_keys;
    std::vector<QString> m_titles;
    std::vector<quint8> m_pictures;
    QList<QIcon> m_images;
    int m_shown = 0;
};

} // namespace vidfolio::ui
