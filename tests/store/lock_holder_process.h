#pragma once

#include "support/pg_server.h"
#include "support/temp_installation.h"

#include <QProcess>
#include <QString>

// Another program whose lock stays while it runs.
class LockHolder
{
public:
    LockHolder(const QString &datos, const QString &table, const QString &key)
    {
        m_process.start(BuiltProgram(QStringLiteral("lock_holder")), {datos, table, key});
        m_process.waitForReadyRead(30000);
        m_firstLine = QString::fromUtf8(m_process.readLine()).trimmed();
        if (m_firstLine == QLatin1String("BLOQUEADO")) {
            if (!m_process.canReadLine())
                m_process.waitForReadyRead(30000);
            m_session = QString::fromUtf8(m_process.readLine()).trimmed().section(u' ', 1).toLongLong();
        }
    }
    ~LockHolder()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    const QString &firstLine() const { return m_firstLine; }
    qint64 pid() const { return m_process.processId(); }
    void release()
    {
        m_process.write("soltar\n");
        m_process.waitForReadyRead(30000);
        m_process.readLine();
    }
    // Killed without releasing anything. On a server, returns once its session has ended
    // there too (the server notices the closed connection a moment later).
    void crash()
    {
        m_process.kill();
        m_process.waitForFinished();
        if (m_session > 0)
            WaitForSessionEnd(m_session);
    }

private:
    QProcess m_process;
    QString m_firstLine;
    qint64 m_session = 0;
};
