#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running program per name. The first start holds a lock file and listens on a local
// socket of that name; a later start finds the lock taken, asks the running program to come
// to the front and is told to end.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(QString name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True for the first running program (which then listens for later starts). False when
    // another one runs: it has been asked to come to the front, and this one should end.
    bool start();

    // The request a later start sends.
    static QByteArray ActivationMessage() { return QByteArrayLiteral("0x1400\n"); }

signals:
    // A later start asked this program to come to the front.
    void activationRequested();

private:
    void acceptConnections();
    bool askRunningToActivate();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
