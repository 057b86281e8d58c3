#pragma once
// lumidex-chart run as a separate process, as scripts run it. The test
// target defines LUMIDEX_CHART_TOOL, the path of the built tool.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <utility>
#include <vector>

namespace lumidex::test {

struct ToolRun {
    int exitCode = -1;  // -1 when the tool crashed or did not end within a minute
    QString out, err;

    QStringList lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Runs program (the built tool unless named) with args; env adds variables
// to the inherited environment.
inline ToolRun runTool(const QStringList& args,
                       const std::vector<std::pair<QString, QString>>& env = {},
                       const QString& program = QStringLiteral(LUMIDEX_CHART_TOOL)) {
    QProcess p;
    QProcessEnvironment vars = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) vars.insert(name, value);
    p.setProcessEnvironment(vars);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << args.join(' ').toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace lumidex::test
