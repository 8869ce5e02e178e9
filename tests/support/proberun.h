#pragma once

// Runs vidfolio-probe (VIDFOLIO_PROBE_PATH) and reads the JSON lines it prints.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <vector>

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

} // namespace vidfolio::test
