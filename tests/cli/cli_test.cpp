#include "cli/cli.h"
#include "core/version.h"
#include "support/temp_installation.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

Result RunProgram(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(BuiltProgram(QStringLiteral("devenix-cli")), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(DevenixCli, VersionIsTheBuildVersion)
{
    const Result r = RunProgram({QStringLiteral("--version")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("devenix-cli (Cuantix) 26.12.1.0\n"));
    EXPECT_EQ(ReadVersionValue(QStringLiteral("FileVersion")), QStringLiteral("26.12.1.0"));
}

TEST(DevenixCli, HelpListsTheUsage)
{
    const Result r = RunProgram({QStringLiteral("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Uso: devenix-cli [--instalacion DIR] ORDEN"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("devenix-cli --instalacion DIR historico listar")));
}

TEST(DevenixCli, UnknownCommandIsBadInput)
{
    const Result r = RunProgram({QStringLiteral("volar")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("Orden desconocida: volar. Use devenix-cli --help.\n"));

    // An escape sequence in an argument reaches the terminal as text, not as a command to it.
    const Result escaped = RunProgram({QStringLiteral("vo\x1b]0;x\alar")});
    EXPECT_EQ(escaped.status, 2);
    EXPECT_EQ(escaped.err, QStringLiteral("Orden desconocida: vo\\x1B]0;x\\x07lar. Use devenix-cli --help.\n"));
}
