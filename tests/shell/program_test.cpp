#include "core/ini_file.h"
#include "shell/startup.h"
#include "support/temp_installation.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The program started in an installation folder, as the README's run command does.
class RunningProgram
{
public:
    explicit RunningProgram(const QString &installation)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(installation);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(installation + QStringLiteral("/Devenix"), {});
    }
    ~RunningProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
};

bool Listening()
{
    QLocalSocket socket;
    socket.connectToServer(kSingleInstanceName);
    return socket.waitForConnected(200);
}

} // namespace

// Needs no other copy of the program running on this machine for this user.
TEST(Program, ASecondStartOnlyBringsTheFirstToTheFront)
{
    TempInstallation install;
    ASSERT_TRUE(QFile::copy(BuiltProgram(QStringLiteral("Devenix")), install.file(QStringLiteral("Devenix"))));
    IniFile settings(install.file(QStringLiteral("Devenix.ini")));
    settings.writeString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("6"));

    RunningProgram first(install.path());
    ASSERT_TRUE(first.process().waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor(Listening, 30000));

    RunningProgram second(install.path());
    ASSERT_TRUE(second.process().waitForFinished(15000));
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_EQ(first.process().state(), QProcess::Running);
}
