#pragma once

#include "actions/selection.h"
#include "app/program.h"
#include "listing/listingview.h"
#include "platform/runloop.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace vidfolio::ui {

class ClientArea;
class MainMenus;
class MessageBoxes;

// What the window is made with: what the program is made with (the site,
// the folder, the launcher, the limits), and the window's own. The defaults
// are those of the installed program; tests point each elsewhere.
struct MainSetup : ProgramSetup
{
    // Shows the message boxes; null for real boxes.
    std::shared_ptr<MessageBoxes> boxes;
    // Ends the program at once; by default it leaves the event loop.
    std::function<void()> endProgram;
};

// The program's single window: its client area (ClientArea) under its menus
// (MainMenus). It hands every command to the program (Program) and shows
// what the listing and the video actions decide, through the two view
// interfaces it implements; the user-name box is the history's view.
class Main final : public QMainWindow, public ListingView, public SelectionView
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

protected:
    void closeEvent(QCloseEvent *event) override;

    void treeCleared() override;
    void treeEntryAdded(const QString &key, const QString &text, int image) override;
    void progressChanged(int value, int maximum) override;

private:
    void paletteForPopups();
    void connectHandlers();

    void load();
    void cmdGoClick();
    void aboutClick();
    void exitClick();
    void treeVidsClicked(const QString &key);
    void videoClick();
    void videoCommandClick(VideoCommand command);
    std::shared_ptr<MessageBoxes> m_boxes;
    std::function<void()> m_endProgram;
    // Made before the program, which waits on it: every wait runs the
    // window's event loop.
    RunLoop m_loop;
    Program m_program;

    ClientArea *m_client = nullptr;
    std::unique_ptr<MainMenus> m_menus;
};

} // namespace vidfolio::ui
