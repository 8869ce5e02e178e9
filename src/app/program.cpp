#include "app/program.h"

#include "actions/selection.h"
#include "history/userlist.h"
#include "listing/listingrun.h"
#include "platform/programfolder.h"
#include "platform/runloop.h"

namespace vidfolio {
namespace {

QString historyName()
{
    return QString::fromUtf16(kHistoryFileName);
}

} // namespace

Program::Program(ProgramSetup setup, RunLoop &loop)
    : m_setup(std::move(setup)), m_loop(loop), m_downloader(m_setup.pageLimits, &loop),
      m_fetcher(m_downloader, m_setup.folder.path)
{
    if (!m_setup.launcher)
        m_setup.launcher = std::make_shared<DesktopLauncher>();
}

HistoryRead Program::loadHistory(UserHistoryList &box)
{
    // Read from the fallback folder while the file folder holds no history
    // yet; saved into the file folder, which carries an older history beside
    // the program over into the data folder.
    m_historyRead = LoadUsers(box, pathToRead(m_setup.folder, historyName()));
    m_historyLoaded = box.userCount();
    return m_historyRead;
}

void Program::saveHistory(const UserList &box)
{
    if (m_historyRead == HistoryRead::Unreadable)
        return;
    SaveUsers(box, pathInFolder(m_setup.folder.path, historyName()), m_loop, m_historyLoaded);
    // The box's names are in the file now: a later save puts only the names
    // added since above those of the file, so a name another copy saved in
    // between stays above this copy's older ones.
    m_historyLoaded = box.userCount();
}

void Program::listVideos(ListingView &view, UserList &users)
{
    m_loop.runCommand([this, &view, &users] {
        const auto remember = [this, &users] {
            rememberUserName(users);
            saveHistory(users);
            return users.userText();
        };
        ListingRun(view, remember, m_fetcher, m_loop, m_setup.roots).run();
    });
}

void Program::chooseVideo(SelectionView &view, const QString &key)
{
    m_loop.runCommand(
        [this, &view, key] { NodeClick(view, m_downloader, m_loop, key, m_setup.pictureLimits); });
}

void Program::openVideoMenu(SelectionView &view)
{
    VideoMenuOpened(view);
}

void Program::runVideoCommand(VideoCommand command, VideoCommandView &view)
{
    m_loop.runCommand([this, command, &view] {
        vidfolio::runVideoCommand(command, view, m_fetcher, *m_setup.launcher, m_setup.roots);
    });
}

QString Program::lookUpPlayerParameters(VideoCommandView &view, const QString &address)
{
    return lookUpPlayer(view, m_fetcher, address).parameters;
}

} // namespace vidfolio
