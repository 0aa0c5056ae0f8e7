#include "support/temp_installation.h"

#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

class Probe
{
public:
    explicit Probe(const QString &name)
    {
        m_process.start(BuiltProgram(QStringLiteral("single_instance_probe")), {name});
    }
    ~Probe()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    QString nextLine()
    {
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(20000);
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    bool endsWithin(int ms) { return m_process.waitForFinished(ms); }
    int exitCode() const { return m_process.exitCode(); }
    void crash()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

} // namespace

TEST(SingleInstance, ALaterStartActivatesTheRunningProgramAndEnds)
{
    const QString name = QStringLiteral("cuantix-prueba-") + QUuid::createUuid().toString(QUuid::Id128);
    Probe first(name);
    ASSERT_EQ(first.nextLine(), QStringLiteral("PRIMERO"));

    for (int start = 0; start < 2; ++start) {
        Probe later(name);
        EXPECT_EQ(later.nextLine(), QStringLiteral("SEGUNDO"));
        ASSERT_TRUE(later.endsWithin(10000));
        EXPECT_EQ(later.exitCode(), 0);
        EXPECT_EQ(first.nextLine(), QStringLiteral("ACTIVAR"));
    }
}

TEST(SingleInstance, AProgramThatCrashedDoesNotBlockTheNextStart)
{
    const QString name = QStringLiteral("cuantix-prueba-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        Probe crashed(name);
        ASSERT_EQ(crashed.nextLine(), QStringLiteral("PRIMERO"));
        crashed.crash();
    }
    Probe next(name);
    EXPECT_EQ(next.nextLine(), QStringLiteral("PRIMERO"));
    Probe later(name);
    EXPECT_EQ(later.nextLine(), QStringLiteral("SEGUNDO"));
    EXPECT_EQ(next.nextLine(), QStringLiteral("ACTIVAR"));
}
