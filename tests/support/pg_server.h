#pragma once

#include "store/database_engine.h"

#include <QString>
#include <QVariant>

#include <optional>

// The throwaway PostgreSQL server of a test run. `pg_test_server start` (a CTest fixture) makes
// and starts it in a folder of the build tree, with a database "cuantix_plantilla" holding a
// seeded installation; the test programs registered a second time with the "pg." prefix run
// with CUANTIX_TEST_PG_DIR naming that folder, and every TempInstallation then gets its own
// database copied from that one.

// True in the "pg." run of a test program.
bool TestsOnServer();

// The maintenance connection settings of the test server (database "postgres"), or nothing
// when the server could not be made (its programs are not installed).
std::optional<DatabaseEngine> TestServer();

// The installation folder seeded with the database "cuantix_plantilla" (no SQLite files).
QString SeededServerInstallation();

// Why the server is missing, for the skip message.
QString TestServerMissingReason();

// A new database copied from the seeded one; its engine settings. Throws AppError.
DatabaseEngine CreateTestDatabase();
// Drops a database made by CreateTestDatabase, closing whatever is still connected to it.
void DropTestDatabase(const DatabaseEngine &engine);

// Runs SQL on the maintenance connection (roles, databases, server settings); the first
// value of the first row.
QVariant RunOnTestServer(const QString &sql);
// Waits (up to 10 s) until the server session of backend `pid` has ended.
void WaitForSessionEnd(qint64 pid);

// The fixed names of the server: the seeded database and the role that needs a password.
inline const QString kTemplateDatabase = QStringLiteral("cuantix_plantilla");
inline const QString kPasswordRole = QStringLiteral("cuantix_clave");
inline const QString kPasswordRolePassword = QStringLiteral("Secreta-1");

// Skips a test that is about SQLite files by nature in the "pg." run.
#define SKIP_ON_SERVER(reason)                                                                                         \
    do {                                                                                                               \
        if (TestsOnServer())                                                                                           \
            GTEST_SKIP() << "sin sentido en el servidor: " << (reason);                                               \
    } while (false)

// Registered by the test mains: in the "pg." run without a server every test is skipped with
// the reason, visibly.
void AddTestServerEnvironment();
