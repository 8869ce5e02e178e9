#include "ui/mainmenus.h"

#include <QMenu>
#include <QMenuBar>

namespace vidfolio::ui {
namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *submenu(QWidget *parent, const char *name, const QString &title)
{
    auto *menu = new QMenu(title, parent);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

MainMenus::MainMenus(QMenuBar *bar)
{
    bar->setNativeMenuBar(false);

    QMenu *file = submenu(bar, "File", QStringLiteral("File"));
    m_about = menuItem(file, "About", QStringLiteral("About"));
    m_exit = menuItem(file, "Exit", QStringLiteral("Exit"));
    menuItem(file, "Cancel1", QStringLiteral("Cancel"));
    bar->addMenu(file);

    QMenu *settings = submenu(bar, "Settings", QStringLiteral("Settings"));
    QMenu *videos = submenu(settings, "Videos", QStringLiteral("Videos"));
    QAction *showAll = menuItem(videos, "ShowAll", QStringLiteral("Show all"));
    m_onlyRecent = menuItem(videos, "OnlyRecent", QStringLiteral("Last 10 or less"));
    showAll->setCheckable(true);
    showAll->setChecked(true);
    m_onlyRecent->setCheckable(true);
    settings->addMenu(videos);
    menuItem(settings, "Cancel2", QStringLiteral("Cancel"));
    bar->addMenu(settings);
    // Either item checks itself and clears the other, whichever was checked.
    QObject::connect(showAll, &QAction::triggered, showAll, [showAll, onlyRecent = m_onlyRecent] {
        showAll->setChecked(true);
        onlyRecent->setChecked(false);
    });
    QObject::connect(m_onlyRecent, &QAction::triggered, m_onlyRecent,
                     [showAll, onlyRecent = m_onlyRecent] {
                         onlyRecent->setChecked(true);
                         showAll->setChecked(false);
                     });

    m_video = submenu(bar, "Video", QStringLiteral("Video"));
    m_vidName = menuItem(m_video, "VidName", QStringLiteral("VidName"));
    m_vidName->setEnabled(false);
    m_download = menuItem(m_video, "Download", QStringLiteral("Download"));
    m_watchdirect = menuItem(m_video, "Watchdirect", QStringLiteral("Watch direct"));
    m_watch = menuItem(m_video, "Watch", QStringLiteral("Watch normal"));
    menuItem(m_video, "Cancel3", QStringLiteral("Cancel"));
    bar->addMenu(m_video);
    setVideoMenuShown(false);
}

QAction *MainMenus::command(VideoCommand command) const
{
    switch (command) {
    case VideoCommand::Download:
        return m_download;
    case VideoCommand::Watchdirect:
        return m_watchdirect;
    case VideoCommand::Watch:
        return m_watch;
    }
    return nullptr;
}

bool MainMenus::onlyRecent() const
{
    return m_onlyRecent->isChecked();
}

void MainMenus::setVideoMenuShown(bool shown) const
{
    m_video->menuAction()->setVisible(shown);
}

void MainMenus::setVideoNameCaption(const QString &caption) const
{
    // Shown as it is: a menu would take "&" for a mnemonic and a tab for the
    // start of a shortcut, and line breaks would stretch the item.
    QString shown = caption;
    shown.replace(u'&', QStringLiteral("&&"));
    for (QChar &c : shown) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    m_vidName->setText(shown);
}

} // namespace vidfolio::ui
