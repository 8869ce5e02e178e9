#pragma once

#include "actions/loadpic.h"
#include "actions/selection.h"
#include "history/historyfile.h"
#include "listing/listingview.h"
#include "listing/pagefetcher.h"
#include "listing/siteaddress.h"
#include "platform/downloader.h"
#include "platform/filefolder.h"
#include "platform/launcher.h"
#include "ui/windowloop.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vidfolio::ui {

class ClickArea;
class MessageBoxes;
class UserNamesModel;

// What the window is made with; the defaults are those of the installed
// program. Tests point the site and the folder elsewhere.
struct MainSetup
{
    SiteRoots roots = SiteRoots::builtIn();
    // Where the history file and the scratch file live: beside the program
    // while it may write there, otherwise in the user's data folder.
    FileFolder folder = chooseFileFolder();
    // Shows the message boxes; null for real boxes.
    std::shared_ptr<MessageBoxes> boxes;
    // Ends the program at once; by default it leaves the event loop.
    std::function<void()> endProgram;
    // Opens the addresses of the Video menu; null for the desktop's handler.
    std::shared_ptr<Launcher> launcher;
    // Bounds on each page download and on each thumbnail download.
    DownloadLimits pageLimits;
    DownloadLimits pictureLimits = kPictureLimits;
};

// The program's single window. It builds the controls, routes their events
// to the handlers and shows what the listing, the video actions and the
// history decide.
class Main final : public QMainWindow,
                   public ListingView,
                   public SelectionView,
                   public UserHistoryList
{
    Q_OBJECT
public:
    explicit Main(MainSetup setup = {});
    ~Main() override;

    // Fetches the watch page at `address` and returns the player parameters
    // it names; empty when the page could not be fetched or names none.
    QString GetVideoID(const QString &address);

    // ListingView and SelectionView
    void hideVideoMenu() override;
    void setWindowEnabled(bool enabled) override;
    void setStatus(const QString &text) override;
    bool onlyRecent() const override;
    void repaintTree() override;
    void focusUserBox() override;
    void showVideoMenu() override;
    void setThumbnail(int box, const QImage &picture) override;
    void setVideoNameCaption(const QString &caption) override;
    std::optional<SelectedVideo> selectedVideo() const override;
    void showNoVideoSelected() override;

    // UserHistoryList
    QString userText() const override;
    int userCount() const override;
    QString userAt(int index) const override;
    void insertUser(int index, const QString &name) override;
    void appendUsers(const QStringList &names) override;
    void selectUser(int index) override;
    void refreshUsers() override;

    QString statusText() const;

protected:
    void closeEvent(QCloseEvent *event) override;

    void treeCleared() override;
    void treeEntryAdded(const QString &key, const QString &text, int image) override;
    void progressChanged(int value, int maximum) override;

private:
    void buildControls();
    void buildMenus();
    void paletteForPopups();
    void connectHandlers();

    void load();
    void cmdGoClick();
    void aboutClick();
    void exitClick();
    void showAllClick();
    void onlyRecentClick();
    void nodeClick(QTreeWidgetItem *node);
    void videoClick();
    void videoCommand(VideoCommand command);
    // Saves the history, handles the pending events and ends the program.
    void saveAndEnd();

    MainSetup m_setup;
    // The history is read from m_historyReadPath and saved to m_historyPath;
    // they differ when an older history beside the program is carried over
    // into the data folder.
    QString m_historyReadPath;
    QString m_historyPath;
    HistoryRead m_historyRead = HistoryRead::Missing;
    // The names the history held at start, the last entries of TxtUser.
    int m_historyLoaded = 0;
    Downloader m_downloader;
    PageFetcher m_fetcher;
    WindowLoop m_loop{*this};

    QComboBox *m_txtUser = nullptr;
    UserNamesModel *m_userNames = nullptr;
    ClickArea *m_cmdGo = nullptr;
    QTreeWidget *m_treeVids = nullptr;
    QProgressBar *m_pb = nullptr;
    QStatusBar *m_stat = nullptr;
    QLabel *m_statText = nullptr;
    QLabel *m_sitePic[3] = {};
    QList<QIcon> m_img;

    QMenu *m_video = nullptr;
    QAction *m_vidName = nullptr;
    QAction *m_download = nullptr;
    QAction *m_watchdirect = nullptr;
    QAction *m_watch = nullptr;
    QAction *m_about = nullptr;
    QAction *m_exit = nullptr;
    QAction *m_showAll = nullptr;
    QAction *m_onlyRecent = nullptr;
};

} // namespace vidfolio::ui
