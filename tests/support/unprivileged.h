#pragma once

// Root reads and writes files whatever their modes say, so the cases that
// need a folder or file the program may not touch run as the unprivileged
// user "nobody" when the tests run as root, and as the user running them
// otherwise. Both ways the kernel makes the permission checks.

#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <optional>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidfolio::test {

struct Account
{
    uid_t uid;
    gid_t gid;
};

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// The user the permission cases run as; none when root finds no "nobody".
inline std::optional<Account> unprivilegedAccount()
{
    if (!runningAsRoot())
        return Account{::geteuid(), ::getegid()};
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return std::nullopt;
    return Account{nobody->pw_uid, nobody->pw_gid};
}

// Makes `path` the unprivileged user's, with `mode`, so that the checked code
// may (or may not) write there as the mode says.
inline bool handToUnprivileged(const QString &path, mode_t mode)
{
    const auto account = unprivilegedAccount();
    const QByteArray name = QFile::encodeName(path);
    return account && ::chown(name.constData(), account->uid, account->gid) == 0 &&
           ::chmod(name.constData(), mode) == 0;
}

// While it lives, this process opens, creates and checks files as the
// unprivileged user: when running as root, its effective user and group turn
// into nobody's and its supplementary groups are dropped, and all of them
// come back at the end. Nothing changes for a user who is not root.
class AsUnprivileged
{
public:
    AsUnprivileged()
    {
        if (!runningAsRoot()) {
            m_active = true;
            return;
        }
        const auto account = unprivilegedAccount();
        const int count = ::getgroups(0, nullptr);
        if (!account || count < 0)
            return;
        m_groups.resize(static_cast<std::size_t>(count));
        if (::getgroups(count, m_groups.data()) != count || ::setgroups(0, nullptr) != 0)
            return;
        m_switched = true;
        m_active = ::setegid(account->gid) == 0 && ::seteuid(account->uid) == 0;
    }
    ~AsUnprivileged()
    {
        if (!m_switched)
            return;
        // Every later check would be made as the wrong user otherwise.
        if (::seteuid(0) != 0 || ::setegid(0) != 0 ||
            ::setgroups(m_groups.size(), m_groups.data()) != 0)
            std::abort();
    }
    AsUnprivileged(const AsUnprivileged &) = delete;
    AsUnprivileged &operator=(const AsUnprivileged &) = delete;

    // False when root could not become nobody; the case cannot be shown then.
    bool active() const { return m_active; }

private:
    bool m_switched = false;
    bool m_active = false;
    std::vector<gid_t> m_groups;
};

// The program and arguments that run `program` with `arguments` as the
// unprivileged user: through setpriv when running as root. None when root
// has no setpriv.
inline std::optional<std::pair<QString, QStringList>>
unprivilegedCommand(const QString &program, const QStringList &arguments)
{
    if (!runningAsRoot())
        return std::pair{program, arguments};
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty() || !unprivilegedAccount())
        return std::nullopt;
    QStringList command{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                        QStringLiteral("--clear-groups"), program};
    return std::pair{setpriv, command + arguments};
}

} // namespace vidfolio::test
