#include "consoleview.h"

#include "jsonline.h"

#include <cstdio>

namespace vidfolio {

ConsoleView::ConsoleView(bool onlyRecent, std::chrono::steady_clock::time_point start)
    : m_onlyRecent(onlyRecent), m_start(start)
{
}

void ConsoleView::setWindowEnabled(bool enabled)
{
    JsonLine("enabled").add("value", enabled).print(m_start);
}

void ConsoleView::setStatus(const QString &text)
{
    JsonLine("status").add("text", text).print(m_start);
    // At once, not when the buffer fills: whoever reads the lines sees each
    // status as it is set (the benchmark stops its clock at "Finished").
    std::fflush(stdout);
}

void ConsoleView::showNoVideoSelected()
{
    JsonLine("box")
        .add("title", QStringLiteral("Error"))
        .add("text", QStringLiteral("No video selected"))
        .print(m_start);
}

void ConsoleView::lookupFinished(const QString &parameters)
{
    JsonLine("result").add("value", parameters).print(m_start);
}

void ConsoleLauncher::open(const QString &address)
{
    JsonLine("open").add("url", address).print(m_start);
}

void ConsoleView::treeEntryAdded(const QString &key, const QString &text, int)
{
    JsonLine("entry").add("key", key).add("title", text).print(m_start);
}

void ConsoleView::progressChanged(int value, int maximum)
{
    JsonLine("progress").add("value", value).add("max", maximum).print(m_start);
}

void ConsoleView::printFetch(const QString &address, bool ok, const QString &reason)
{
    JsonLine line("fetch");
    line.add("url", address).add("ok", ok);
    if (!ok)
        line.add("reason", reason);
    line.print(m_start);
}

void ConsoleView::printUsers()
{
    std::string names = "[";
    for (const QString &name : m_users) {
        if (names.size() > 1)
            names += ',';
        names += jsonString(name);
    }
    names += ']';
    JsonLine("users").addRaw("names", names).print(m_start);
}

} // namespace vidfolio
