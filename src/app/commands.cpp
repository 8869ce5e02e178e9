#include "app/commands.h"

#include "platform/runloop.h"

#include <utility>

namespace vidfolio {

Commands::Commands(RunLoop &loop) : m_loop(loop) {}

void Commands::give(Step body, Step leaveBehind)
{
    if (m_ending)
        return;
    Command command{std::move(body), std::move(leaveBehind)};
    if (m_running) {
        // Runs below, once the command under way has stopped and returned.
        m_waiting = std::move(command);
        m_loop.stop();
        return;
    }
    m_running = true;
    for (std::optional<Command> next = std::move(command); next && !m_ending;
         next = std::exchange(m_waiting, std::nullopt)) {
        m_loop.resume();
        next->body();
        if (m_waiting && !m_ending && next->leaveBehind)
            next->leaveBehind();
    }
    m_waiting.reset();
    m_running = false;
    if (!m_ending)
        m_loop.resume();
}

void Commands::giveAtOnce(const Step &body)
{
    if (!m_ending)
        body();
}

void Commands::end(Step endWork)
{
    if (m_ending)
        return;
    m_ending = true;
    m_waiting.reset();
    m_loop.stop();
    m_endWork = std::move(endWork);
    if (m_unbroken == 0)
        runEndWork();
}

void Commands::runEndWork()
{
    const Step work = std::exchange(m_endWork, {});
    if (!work)
        return;
    // The waits of the command under way have ended already; the end's own
    // run their time, and everything stays stopped afterwards.
    m_loop.resume();
    work();
    m_loop.stop();
}

Commands::Unbroken::Unbroken(Commands &commands) : m_commands(commands)
{
    ++m_commands.m_unbroken;
}

Commands::Unbroken::~Unbroken()
{
    if (--m_commands.m_unbroken == 0)
        m_commands.runEndWork();
}

} // namespace vidfolio
