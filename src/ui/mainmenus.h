#pragma once

#include "actions/videocommands.h"

class QAction;
class QMenu;
class QMenuBar;
class QString;

namespace vidfolio::ui {

// The window's menus, made once on its menu bar: File (About, Exit,
// Cancel); Settings, whose Videos menu offers "Show all" and "Last 10 or
// less", one of the two checked; and Video, hidden until a video is chosen,
// whose first item only shows the chosen title. Each menu and item is named
// for its caption ("File", "About", "VidName", "Watchdirect", ...).
class MainMenus
{
public:
    explicit MainMenus(QMenuBar *bar);

    QAction *about() const { return m_about; }
    QAction *exit() const { return m_exit; }
    QMenu *video() const { return m_video; }
    // The Video menu's item for `command`.
    QAction *command(VideoCommand command) const;

    // Whether "Last 10 or less" is checked.
    bool onlyRecent() const;
    void setVideoMenuShown(bool shown) const;
    // Shows `caption` as the Video menu's first item.
    void setVideoNameCaption(const QString &caption) const;

private:
    QAction *m_about = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_onlyRecent = nullptr;
    QMenu *m_video = nullptr;
    QAction *m_vidName = nullptr;
    QAction *m_download = nullptr;
    QAction *m_watchdirect = nullptr;
    QAction *m_watch = nullptr;
};

} // namespace vidfolio::ui
