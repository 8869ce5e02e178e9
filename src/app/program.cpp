#include "app/program.h"

#include "actions/selection.h"
#include "history/userlist.h"
#include "listing/listingrun.h"
#include "platform/programfolder.h"
#include "platform/runloop.h"

#include <algorithm>

namespace vidfolio {
namespace {

QString historyName()
{
    return QString::fromUtf16(kHistoryFileName);
}

// At the end the window is gone as soon as the save is over, so the save
// waits less for another copy's lock than at other times.
constexpr std::chrono::milliseconds kSaveLockWaitAtEnd{500};

} // namespace

Program::Program(ProgramSetup setup, RunLoop &loop)
    : m_setup(std::move(setup)), m_loop(loop), m_commands(loop), m_downloader(loop),
      m_fetcher(
          m_downloader, m_setup.folder.path,
          std::max(scratchTurnWait(m_setup.pageLimits), scratchTurnWait(m_setup.watchPageLimits)),
          m_setup.onFetch)
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

SaveResult Program::saveHistory(const UserList &box)
{
    return saveHistory(box, kSaveLockWait);
}

SaveResult Program::saveHistory(const UserList &box, std::chrono::milliseconds lockWait)
{
    if (m_historyRead == HistoryRead::Unreadable)
        return {};
    const Commands::Unbroken unbroken(m_commands);
    SaveResult saved = SaveUsers(box, pathInFolder(m_setup.folder.path, historyName()), m_loop,
                                 m_historyLoaded, lockWait);
    // The box's names are in the file now: a later save puts only the names
    // added since above those of the file, so a name another copy saved in
    // between stays above this copy's older ones.
    if (saved.outcome == Outcome::Done)
        m_historyLoaded = box.userCount();
    return saved;
}

void Program::listVideos(ListingView &view, UserList &users)
{
    const auto list = [this, &view, &users] {
        const auto remember = [this, &users] {
            rememberUserName(users);
            const SaveResult saved = saveHistory(users);
            return RememberedName{users.userText(), saved.outcome, saved.reason};
        };
        ListingRun(view, remember, m_fetcher, m_setup.pageLimits, m_loop, m_setup.roots).run();
    };
    m_commands.give(list, [&view] { ListingRun::givenUp(view); });
}

void Program::chooseVideo(SelectionView &view, const QString &key)
{
    const auto boxesDone = std::make_shared<int>(0);
    m_commands.give(
        [this, &view, key, boxesDone] {
            *boxesDone = NodeClick(view, m_downloader, m_loop, key, m_setup.pictureLimits);
        },
        [&view, boxesDone] { nodeClickGivenUp(view, *boxesDone); });
}

void Program::openVideoMenu(SelectionView &view)
{
    VideoMenuOpened(view);
}

void Program::runVideoCommand(VideoCommand command, VideoCommandView &view)
{
    const auto run = [this, command, &view] {
        vidfolio::runVideoCommand(command, view, m_fetcher, m_setup.watchPageLimits,
                                  *m_setup.launcher, m_setup.roots);
    };
    if (waitsForTheSite(command))
        m_commands.give(run, [&view] { videoCommandGivenUp(view); });
    else
        m_commands.giveAtOnce(run);
}

QString Program::GetVideoID(VideoCommandView &view, const QString &address)
{
    return vidfolio::GetVideoID(view, m_fetcher, address, m_setup.watchPageLimits).parameters;
}

void Program::end(const UserList &box, std::function<void()> endProgram)
{
    m_commands.end([this, &box, endProgram = std::move(endProgram)] {
        [[maybe_unused]] const SaveResult saved = saveHistory(box, kSaveLockWaitAtEnd);
        [[maybe_unused]] const WaitEnd pumped = m_loop.pumpEvents();
        endProgram();
    });
}

} // namespace vidfolio
