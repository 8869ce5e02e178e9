// What the program sees of the window: the view interfaces of the listing
// and of the video commands, each a plain read or write of the window's
// controls.

#include "ui/main.h"

#include "ui/mainmenus.h"
#include "ui/messageboxes.h"
#include "ui/usernamebox.h"
#include "ui/videotree.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>

namespace vidfolio::ui {

QString Main::GetVideoID(const QString &address)
{
    return m_program.lookUpPlayerParameters(*this, address);
}

void Main::hideVideoMenu()
{
    m_menus->setVideoMenuShown(false);
}

void Main::setWindowEnabled(bool enabled)
{
    setEnabled(enabled);
}

void Main::setStatus(const QString &text)
{
    m_statText->setText(text);
}

QString Main::statusText() const
{
    return m_statText->text();
}

void Main::focusUserBox()
{
    m_txtUser->setFocus(Qt::OtherFocusReason);
}

void Main::showVideoMenu()
{
    m_menus->setVideoMenuShown(true);
}

void Main::setThumbnail(int box, const QImage &picture)
{
    if (picture.isNull())
        m_sitePic[box]->clear();
    else
        m_sitePic[box]->setPixmap(QPixmap::fromImage(picture));
}

void Main::setVideoNameCaption(const QString &caption)
{
    m_menus->setVideoNameCaption(caption);
}

std::optional<SelectedVideo> Main::selectedVideo() const
{
    const std::optional<int> row = m_treeVids->selectedRow();
    if (!row)
        return std::nullopt;
    return SelectedVideo{m_treeVids->entryKey(*row), m_treeVids->entryTitle(*row)};
}

void Main::showNoVideoSelected()
{
    m_boxes->show(this, QStringLiteral("Error"), QStringLiteral("No video selected"),
                  QMessageBox::Warning);
}

bool Main::onlyRecent() const
{
    return m_menus->onlyRecent();
}

void Main::repaintTree()
{
    m_treeVids->repaintNow();
}

void Main::treeCleared()
{
    m_treeVids->clearEntries();
}

void Main::treeEntryAdded(const QString &key, const QString &text, int image)
{
    m_treeVids->appendEntry(key, text, image);
}

void Main::progressChanged(int value, int maximum)
{
    // A bar from 0 to 0 would turn into a busy indicator; show it empty.
    m_pb->setMaximum(maximum > 0 ? maximum : 1);
    m_pb->setValue(maximum > 0 ? value : 0);
}

} // namespace vidfolio::ui
