#pragma once

#include <QString>

namespace vidfolio {

// Hands an address to the system's default handler for it (the browser for
// web addresses).
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual void open(const QString &address) = 0;
};

// Starts `xdg-open` with the address as its single argument, without a shell
// in between, in the user's home folder. Whether a handler opens the address
// is not reported: the call returns once the handler is started.
class DesktopLauncher final : public Launcher
{
public:
    void open(const QString &address) override;
};

} // namespace vidfolio
