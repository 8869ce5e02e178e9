#pragma once

// Runs vidfolio-probe (VIDFOLIO_PROBE_PATH) and reads the JSON lines it prints.

#include "support/unprivileged.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

namespace vidfolio::test {

struct ProbeRun
{
    int exitCode = -1;
    std::vector<QJsonObject> lines;

    std::vector<QJsonObject> ops(const QString &op) const
    {
        std::vector<QJsonObject> out;
        for (const QJsonObject &line : lines) {
            if (line.value("op").toString() == op)
                out.push_back(line);
        }
        return out;
    }
    // The titles of the entries listed, in order.
    QStringList titles() const
    {
        QStringList out;
        for (const QJsonObject &line : ops(QStringLiteral("entry")))
            out.append(line.value("title").toString());
        return out;
    }
    QString lastStatus() const
    {
        const auto statuses = ops(QStringLiteral("status"));
        return statuses.empty() ? QString() : statuses.back().value("text").toString();
    }
};

// Starts `program` (by default the probe) with `arguments` in `environment`.
inline std::unique_ptr<QProcess>
startProbe(const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
           const QString &program = QStringLiteral(VIDFOLIO_PROBE_PATH))
{
    auto probe = std::make_unique<QProcess>();
    probe->setProcessEnvironment(environment);
    probe->start(program, arguments);
    return probe;
}

inline ProbeRun finishProbe(QProcess &probe)
{
    EXPECT_TRUE(probe.waitForFinished(60000));
    ProbeRun run;
    run.exitCode = probe.exitCode();
    const QByteArray errors = probe.readAllStandardError();
    EXPECT_EQ(run.exitCode, 0) << errors.toStdString();
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_TRUE(doc.object().value("ms").isDouble()) << line.toStdString();
        run.lines.push_back(doc.object());
    }
    return run;
}

inline ProbeRun runProbe(const QStringList &arguments)
{
    return finishProbe(*startProbe(arguments));
}

// Copies the probe into `folder` for every user to run: the build folder may
// be out of the unprivileged user's reach. Returns the copy's path.
inline QString copyProbeForEveryone(const QString &folder)
{
    const QString copy = folder + QStringLiteral("/vidfolio-probe");
    EXPECT_TRUE(QFile::copy(QStringLiteral(VIDFOLIO_PROBE_PATH), copy));
    EXPECT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    EXPECT_EQ(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    return copy;
}

// Runs `probe` with `arguments` as the unprivileged user, with `home` as its
// home and `home`/data as its XDG_DATA_HOME. None when the tests cannot run
// a program as that user.
inline std::optional<ProbeRun>
runProbeUnprivileged(const QString &probe, const QStringList &arguments, const QString &home)
{
    const auto command = unprivilegedCommand(probe, arguments);
    if (!command)
        return std::nullopt;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    return finishProbe(*startProbe(command->second, environment, command->first));
}

} // namespace vidfolio::test
