#include "support/pg_server.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "store/server.h"
#include "store/sql.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QThread>
#include <QSqlDatabase>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

QString ServerDir()
{
    return qEnvironmentVariable("CUANTIX_TEST_PG_DIR");
}

QString ServerSettings()
{
    return ServerDir() + QStringLiteral("/server.ini");
}

} // namespace

bool TestsOnServer()
{
    return !ServerDir().isEmpty();
}

std::optional<DatabaseEngine> TestServer()
{
    if (ServerDir().isEmpty() || !QFileInfo::exists(ServerSettings()))
        return std::nullopt;
    const IniFile settings(ServerSettings());
    DatabaseEngine engine;
    engine.kind = DatabaseEngine::Kind::PostgreSQL;
    engine.host = settings.readString(QStringLiteral("SERVIDOR"), QStringLiteral("HOST"));
    engine.port = settings.readInteger(QStringLiteral("SERVIDOR"), QStringLiteral("PUERTO"), 0);
    engine.user = QStringLiteral("postgres");
    engine.database = QStringLiteral("postgres");
    return engine;
}

QString SeededServerInstallation()
{
    return ServerDir() + QStringLiteral("/instalacion");
}

QString TestServerMissingReason()
{
    const QString why = ServerDir().isEmpty()
                            ? QString()
                            : IniFile(ServerDir() + QStringLiteral("/falta.ini"))
                                  .readString(QStringLiteral("SERVIDOR"), QStringLiteral("MOTIVO"));
    return why.isEmpty() ? QStringLiteral("no hay servidor PostgreSQL de pruebas") : why;
}

QVariant RunOnTestServer(const QString &sql)
{
    const auto server = TestServer();
    if (!server)
        throw AppError(TestServerMissingReason());
    const QString name = QStringLiteral("test-server-") + QUuid::createUuid().toString(QUuid::Id128);
    QVariant value;
    try {
        QSqlDatabase db = OpenServerConnection(*server, name, {});
        QSqlQuery query = RunSql(db, sql);
        if (query.isSelect() && query.next())
            value = query.value(0);
        query = QSqlQuery();
        db.close();
    } catch (...) {
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

void WaitForSessionEnd(qint64 pid)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()
           && RunOnTestServer(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(pid)).toInt() > 0)
        QThread::msleep(20);
}

DatabaseEngine CreateTestDatabase()
{
    auto engine = TestServer();
    if (!engine)
        throw AppError(TestServerMissingReason());
    engine->database = QStringLiteral("prueba_") + QUuid::createUuid().toString(QUuid::Id128);
    RunOnTestServer(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 STRATEGY FILE_COPY").arg(engine->database, kTemplateDatabase));
    return *engine;
}

void DropTestDatabase(const DatabaseEngine &engine)
{
    RunOnTestServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(engine.database));
}

namespace {

class ServerEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (TestsOnServer() && !TestServer())
            GTEST_SKIP() << qPrintable(TestServerMissingReason());
    }
};

} // namespace

void AddTestServerEnvironment()
{
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
}
