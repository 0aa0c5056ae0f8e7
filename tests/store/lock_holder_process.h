#pragma once

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
    void crash()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
    QString m_firstLine;
};
